#!/usr/bin/env bash
# The web page output in a real browser (headless Chromium) and under an HTML checker (tidy):
# the North Carolina births page (colours, tooltips by mouse, keyboard and touch, legend, zoom,
# data table, no request leaving the page), a page whose texts hold markup characters, quotes,
# right-to-left text and emoji, and the size of the page of the 3,231 US counties.
#   run_page_tests.sh BIN_DIR SOURCE_DIR
set -euo pipefail
bin="$1"
src="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
home="$work/home"
mkdir -p "$home/Maps" "$home/TQ-files" "$work/tmp" "$work/out"
cp "$src"/samples/Maps/* "$home/Maps/"
cp "$src"/samples/TQ-files/* "$home/TQ-files/"
cp "$src"/tests/data/us_counties/{US.INI,us_counties.shp,us_counties.shx,us_counties.dbf,us_counties.cpg} "$home/Maps/"
cp "$src"/tests/data/us_counties/us_counties.sdv "$home/TQ-files/"
cp "$src"/tests/data/webpage_names/{NAMES.INI,names.shp,names.shx,names.dbf,names.cpg} "$home/Maps/"
browser_tmp="${TMPDIR:-/tmp}"
export CHOREL_HOME="$home" TMPDIR="$work/tmp" QT_QPA_PLATFORM=offscreen
unset DISPLAY
cd "$work/out"
node=(env TMPDIR="$browser_tmp" node --experimental-websocket)

# A page that tidy finds no fault in (it knows HTML5).
valid() {
    local report
    if ! report="$(tidy -q -e "$1" 2>&1)"; then
        echo "tidy finds faults in $1:"; echo "$report"; return 1
    fi
    echo "ok - $1 is valid HTML"
}

echo "# The page's script"
# The script built into every page is checked as code: it parses, and nothing in it or in the
# style could end the element that holds it.
node --check "$src/app/output/webpage/page.js"
if grep -qi '</script\|</style' "$src/app/output/webpage/page.js" "$src/app/output/webpage/page.css"; then
    echo "the page's script or style holds an end tag"; exit 1
fi
echo "ok - page.js parses"

echo "# North Carolina births"
"$bin/chorel" -f "$home/TQ-files/nc_births_74.tq" -o nc.html
valid nc.html
"${node[@]}" "$src/tests/webpage/check_nc_page.mjs" nc.html

echo "# Texts with markup characters, quotes, right-to-left text and emoji"
title="Births <i>&amp; 'a' ולדות 🗺️"
cp "$src/tests/data/webpage_names/names.sdv" "$home/TQ-files/$title.sdv"
"$bin/chorel" -f "$home/TQ-files/$title.sdv" -o names.html
valid names.html
"${node[@]}" "$src/tests/webpage/check_names_page.mjs" names.html "$title"

echo "# The sheet's title and source line from the command line"
"$bin/chorel" -f "$home/TQ-files/nc_births_74.tq" -o given.html --title 'Births <1974> & more' \
    --source "Source: 'Vital' statistics"
grep -q '<h1>Births &lt;1974&gt; &amp; more</h1>' given.html
grep -q '<p class="source">Source: &apos;Vital&apos; statistics</p>' given.html
echo "ok - --title and --source are the page's title and source line, escaped"

echo "# A circle map"
# Its circles are drawn by the same painting and carry their region's figures.
"$bin/chorel" -f "$home/TQ-files/nc_births_74.tq" -o circles.html -c circle
valid circles.html
circles=$(grep -c '<circle class="o s[0-9]*" data-code="[0-9]*" data-name="[^"]*" data-value=' circles.html)
[ "$circles" -eq 100 ] || { echo "the circle map has $circles circles with figures, not 100"; exit 1; }
grep -q '<circle class="o s[0-9]*" data-code="37119" data-name="Mecklenburg" data-value="21588"' circles.html
echo "ok - the circle map's 100 circles carry their regions' figures"

echo "# The 3,231 US counties"
"$bin/chorel" -f "$home/TQ-files/us_counties.sdv" -o us.html
valid us.html
size=$(stat -c %s us.html)
regions=$(grep -o 'data-code=' us.html | wc -l)
[ "$regions" -eq 3231 ] || { echo "the US page has $regions regions, not 3231"; exit 1; }
[ "$size" -le 1200000 ] || { echo "the US page is $size bytes, more than 1.2 MB"; exit 1; }
echo "ok - the page of the 3,231 US counties is $size bytes"
echo "1 passed, 0 failed"
