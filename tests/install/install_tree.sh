#!/bin/bash
# install_tree.sh BUILD SOURCE: installs BUILD into a temporary DESTDIR with the prefix /usr and
# checks the installed tree: the files in their places, the run path, a batch run of the
# installed chorel from another folder (the three images, the log in the user's state
# folder), the search order of map definitions (the statistics file's folder, then the
# user's folder, then the installed one), tq2dbf, the desktop entry, the file types and the
# manual pages; then make uninstall. Needs neither root nor network.
set -u
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
check() { local what=$1; shift; "$@" || fail "$what"; }

# Installing relinks the programs with their installed run path (the preinstall step).
{ cmake --build "$build" --target preinstall \
    && DESTDIR="$tmp/stage" cmake --install "$build" --prefix /usr; } >"$tmp/install.log" 2>&1 \
    || { cat "$tmp/install.log" >&2; echo "FAIL: cmake --install" >&2; exit 1; }
usr=$tmp/stage/usr
data=$usr/share/chorel

# Every file in its place.
for file in bin/chorel bin/tq2dbf share/chorel/Maps/NC.INI share/chorel/Maps/nc_counties.shp \
    share/chorel/TQ-files/nc_births_74.tq share/applications/chorel.desktop \
    share/icons/hicolor/scalable/apps/chorel.svg share/icons/hicolor/16x16/apps/chorel.png \
    share/icons/hicolor/256x256/apps/chorel.png share/mime/packages/chorel.xml \
    share/man/man1/chorel.1.gz share/man/man1/tq2dbf.1.gz share/doc/chorel/copyright \
    share/doc/chorel/changelog.gz; do
    check "installed $file" test -f "$usr/$file"
done
# The help page and the language files, when the source tree has them.
[ -e "$source/app/help/Chorel.html" ] && check "help page" test -f "$data/Chorel.html"
[ -e "$source/samples/Languages/German.lng" ] \
    && check "German language file" test -f "$data/Languages/German.lng"
[ -e "$source/bandwise/colorbrewer/LICENSE.txt" ] \
    && check "licence of the colour schemes" test -f "$data/colorbrewer/LICENSE.txt"
libraries=$(find "$usr/lib" -path '*/chorel/libchorelprogram.so')
check "program library in lib.../chorel" test -n "$libraries"

# The run path points into the installation, never into the build tree; no program, built
# or installed, has an empty entry in it (that would be the current folder).
for binary in "$build/bin/chorel" "$build/bin/libchorelprogram.so" "$usr/bin/chorel" \
    "$usr/bin/tq2dbf" "$libraries"; do
    runpath=$(readelf -d "$binary" | sed -n 's/.*R\(UN\)\{0,1\}PATH.*\[\(.*\)\]/\2/p')
    case ":$runpath:" in
    *::*) [ -n "$runpath" ] && fail "$binary has an empty entry (the current folder) in its run path: $runpath" ;;
    esac
    [ "$binary" = "${binary#"$build"}" ] || continue
    case $runpath in
    *"$build"*) fail "$binary keeps the build tree in its run path: $runpath" ;;
    *'$ORIGIN'*) ;;
    *) fail "$binary has no run path relative to itself: $runpath" ;;
    esac
done

# A user of the installed program: own home, XDG folders and temporary folder.
export HOME=$tmp/home XDG_DATA_HOME=$tmp/home/data XDG_STATE_HOME=$tmp/home/state
export XDG_CONFIG_HOME=$tmp/home/config XDG_CACHE_HOME=$tmp/home/cache TMPDIR=$tmp/temp
unset CHOREL_HOME QT_QPA_PLATFORM DISPLAY WAYLAND_DISPLAY LD_LIBRARY_PATH
mkdir -p "$HOME" "$TMPDIR" "$tmp/elsewhere/out" "$tmp/table"
cd "$tmp/elsewhere" || exit 1
log=$XDG_STATE_HOME/chorel/Chorel.log
chorel=$usr/bin/chorel

# The sample map in batch, from another folder: map, legend and legend image.
check "batch run of the installed sample" \
    "$chorel" -f "$data/TQ-files/nc_births_74.tq" -o out/nc.png
for image in nc.png ncL.png ncLI.png; do
    check "$image is a PNG image" bash -c "head -c 8 out/$image | od -An -c | grep -q 'P   N   G'"
done
check "no log written into the installation" test ! -e "$data/Chorel.log"

# A failing run logs into the user's state folder.
"$chorel" -f missing.tq -o out/missing.png 2>/dev/null && fail "a missing file counts as success"
check "log in \$XDG_STATE_HOME/chorel" grep -q "missing.tq" "$log"
check "still no log in the installation" test ! -e "$data/Chorel.log"

# The user's own map definition and statistics file, without root.
mkdir -p "$XDG_DATA_HOME/chorel/Maps" "$XDG_DATA_HOME/chorel/TQ-files"
sed "s|^1=.*|1=$data/Maps/nc_counties.shp|" "$data/Maps/NC.INI" >"$XDG_DATA_HOME/chorel/Maps/MINE.INI"
sed 's/^MAP("county")="nc"/MAP("county")="mine"/' "$data/TQ-files/nc_births_74.tq" \
    >"$XDG_DATA_HOME/chorel/TQ-files/mine.tq"
check "a map definition in the user's Maps folder" \
    "$chorel" -f "$XDG_DATA_HOME/chorel/TQ-files/mine.tq" -o out/mine.png
check "the user's map written" test -s out/mine.png

# A user NC.INI comes before the installed one: this one names a shapefile that is not there.
printf '[MAPS]\r\nNumMaps=1\r\n1=user_regions.shp\r\n' >"$XDG_DATA_HOME/chorel/Maps/NC.INI"
"$chorel" -f "$data/TQ-files/nc_births_74.tq" -o out/user.png 2>/dev/null \
    && fail "the installed NC.INI was taken before the user's"
check "the user's NC.INI was read" grep -q "user_regions.shp" "$log"

# A map definition beside the statistics file comes first of all.
mkdir -p "$tmp/mydata"
cp "$data/TQ-files/nc_births_74.tq" "$tmp/mydata/"
printf '[MAPS]\r\nNumMaps=1\r\n1=beside_regions.shp\r\n' >"$tmp/mydata/nc.ini"
"$chorel" -f "$tmp/mydata/nc_births_74.tq" -o out/beside.png 2>/dev/null \
    && fail "the map definition beside the statistics file was not taken first"
check "the NC.INI beside the statistics file was read" grep -q "beside_regions.shp" "$log"

# CHOREL_HOME overrides everything: only its Maps/ is searched, so the sample map is drawn.
check "CHOREL_HOME names the program folder" \
    env CHOREL_HOME="$data" "$chorel" -f "$tmp/mydata/nc_births_74.tq" -o out/home.png

# tq2dbf runs from the installation too.
check "installed tq2dbf" "$usr/bin/tq2dbf" "$data/TQ-files/world_2014.sdv" "$tmp/table" >/dev/null
check "tq2dbf table" test -s "$tmp/table/STAT.dbf"

# The desktop entry, the file types and the manual pages.
check "desktop-file-validate" desktop-file-validate "$usr/share/applications/chorel.desktop"
check "xmllint of the file types" xmllint --noout "$usr/share/mime/packages/chorel.xml"
cp -r "$usr/share/mime" "$tmp/mime"
check "update-mime-database accepts the file types" \
    bash -c "update-mime-database '$tmp/mime' >/dev/null 2>&1"
for type in application/x-chorel-cube text/x-chorel-semicolon application/x-chorel-options; do
    grep -q "$type" "$usr/share/applications/chorel.desktop" || fail "desktop entry lacks $type"
    check "file type $type registered" test -f "$tmp/mime/$type.xml"
done
for glob in tq tqx sdv tqo; do
    check "glob *.$glob" grep -q "chorel.*:\*\.$glob\$" "$tmp/mime/globs2"
done
for page in chorel tq2dbf; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man $page: $warnings"
done

# Every switch that --help names is in the manual page.
manual=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -E UTF-8 -l "$usr/share/man/man1/chorel.1.gz" 2>/dev/null)
for switch in $("$chorel" --help | grep -oE '(^|[[:space:]])(/[a-z]|--[a-z-]+)' | tr -d ' \t'); do
    [ "${switch:0:1}" = / ] && switch=-${switch:1}
    grep -qE -e "^ +$switch( |\$)" <<<"$manual" || fail "chorel(1) lacks $switch"
done

# make uninstall removes every file the installation wrote (install_manifest.txt) and the
# program's own folders, and nothing else.
touch "$usr/share/kept-by-the-user"
if make -s -C "$source" uninstall BUILD="$build" DESTDIR="$tmp/stage" >"$tmp/uninstall.log" 2>&1; then
    left=$(find "$tmp/stage" -type f ! -name kept-by-the-user)
    [ -z "$left" ] || fail "make uninstall left: $left"
    check "make uninstall keeps other files" test -f "$usr/share/kept-by-the-user"
    check "make uninstall removes share/chorel" test ! -e "$data"
else
    cat "$tmp/uninstall.log" >&2
    fail "make uninstall"
fi

[ "$failures" -eq 0 ] && echo "installed tree checked"
exit $((failures > 0))
