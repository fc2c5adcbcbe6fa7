#!/usr/bin/env bash
# Web pages of maps: size and writing time of the page of the North Carolina sample, of the
# 3,231 US counties and of 50,000 generated polygons, and in headless Chromium the time to load
# and paint each and to answer pointing and the legend (page_timing.mjs).
#   bench/webpage/run.sh BUILD_DIR [RUNS]     (BUILD_DIR from `make bench`: build-bench)
set -euo pipefail
src="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(cd "$1" && pwd)"
runs="${2:-3}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
home="$work/home"
"$build/bin/bench_batch" --data "$home" >/dev/null
cp "$src"/tests/data/us_counties/{US.INI,us_counties.shp,us_counties.shx,us_counties.dbf,us_counties.cpg} "$home/Maps/"
cp "$src/tests/data/us_counties/us_counties.sdv" "$home/TQ-files/"
export CHOREL_HOME="$home" TMPDIR="$work"
unset DISPLAY
cd "$work"
write() { # write NAME STATISTICS-FILE [switches]: writes NAME.html, prints the median time
    local name="$1" file="$2" times=()
    shift 2
    for ((i = 0; i < runs; ++i)); do
        local start end
        start=$(date +%s.%N)
        "$build/bin/chorel" -f "$home/TQ-files/$file" -o "$name.html" "$@" 2>/dev/null
        end=$(date +%s.%N)
        times+=("$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')")
    done
    printf '%s: written in %s s (median of %s: %s)\n' "$name.html" \
        "$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p")" "$runs" "${times[*]}"
}
write nc nc_births_74.tq
write us us_counties.sdv
write us1600 us_counties.sdv --width 1600
write b50k bench.sdv
for page in nc us us1600 b50k; do
    node --experimental-websocket "$src/bench/webpage/page_timing.mjs" "$page.html" "$runs"
done
