# Two commands do everything on a fresh Debian 12 machine: `make demo` and `make test`.
BUILD ?= build
JOBS  ?= $(shell nproc)
SUDO  := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)

# Everything the build, the program and the tests need.
PKGS := cmake make g++ pkg-config ccache \
        qt6-base-dev qt6-charts-dev qt6-svg-dev libqt6opengl6-dev libgl-dev \
        libshp-dev libimagequant-dev libpng-dev libgif-dev libgdal-dev libproj-dev \
        gdal-bin libwmf-bin poppler-utils fonts-urw-base35 imagemagick xvfb xauth fonts-dejavu-core \
        desktop-file-utils libxml2-utils shared-mime-info man-db dpkg-dev lintian \
        clang libfuzzer-14-dev qt6-translations-l10n \
        chromium tidy nodejs

PREFIX  ?= /usr/local
DESTDIR ?=

# Seconds each fuzz target runs in `make fuzz`; CI runs each briefly as part of `make test`.
FUZZ_SECONDS ?= 60
FUZZ_CI_SECONDS ?= 5

.PHONY: deps configure program build test demo bench install uninstall package clean fuzz fuzz-build

deps:
	@if dpkg-query -W -f='$${Status}\n' $(PKGS) 2>/dev/null | grep -qv 'install ok installed' \
	   || [ "$$(dpkg-query -W -f='$${Status}\n' $(PKGS) 2>/dev/null | wc -l)" -ne "$(words $(PKGS))" ]; then \
	    echo "Installing build and test packages"; \
	    $(SUDO) apt-get update -q && \
	    DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -q --no-install-recommends $(PKGS); \
	fi

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

# The program alone (chorel, tq2dbf and their libraries): what `make demo` waits for.
program: configure
	cmake --build $(BUILD) -j $(JOBS) --target chorel tq2dbf

# Everything: the program, the test suites and the tools.
build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build fuzz-build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)
	fuzz/run.sh $(BUILD)-fuzz $(FUZZ_CI_SECONDS)

# The fuzz targets of fuzz/: clang with libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer.
fuzz-build: deps
	cmake -S fuzz -B $(BUILD)-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD)-fuzz -j $(JOBS)

fuzz: fuzz-build
	fuzz/run.sh $(BUILD)-fuzz $(FUZZ_SECONDS)

demo: program
	mkdir -p out
	$(BUILD)/bin/chorel -f samples/TQ-files/nc_births_74.tq -o out/nc_births_74.png
	@ls -l out/

# make install [PREFIX=/usr/local] [DESTDIR=staging folder]
install: build
	cmake --build $(BUILD) --target preinstall
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# make uninstall [DESTDIR=...]: removes the files that make install wrote, as listed in
# $(BUILD)/install_manifest.txt (paths below the prefix; DESTDIR goes before them as it did
# for make install), and the program's folders they leave empty.
uninstall:
	@test -f $(BUILD)/install_manifest.txt || { echo "$(BUILD)/install_manifest.txt: nothing was installed from this build"; exit 1; }
	sed 's|^|$(DESTDIR)|' $(BUILD)/install_manifest.txt | xargs -r -d '\n' rm -f --
	-sed 's|^|$(DESTDIR)|' $(BUILD)/install_manifest.txt | xargs -r -d '\n' -n1 dirname \
	    | sort -u -r | grep '/chorel' | xargs -r -d '\n' rmdir --ignore-fail-on-non-empty

# The Debian package build/chorel_VERSION_ARCH.deb; an error or warning of lintian fails it.
package: build
	cd $(BUILD) && rm -f chorel_*.deb && cpack -G DEB
	lintian --fail-on error,warning --info $(BUILD)/chorel_*.deb

bench: deps
	cmake -S . -B $(BUILD)-bench -DCMAKE_BUILD_TYPE=Release -DCHOREL_BENCH=ON
	cmake --build $(BUILD)-bench -j $(JOBS)

clean:
	rm -rf $(BUILD) $(BUILD)-bench $(BUILD)-fuzz out
