#!/bin/sh
# Makes the small US county fixtures from two public npm packages, once (the files are kept):
#   counties.shp/.shx/.dbf/.prj  the counties of Alabama, Arizona and Delaware (85) from
#                                us-atlas, key field "id" holding codes with leading zeros
#                                ("01001")
#   unemployment.tsv             the rates of those states' counties and of the first five
#                                Alaskan ones (no region in the layer) from vega-datasets,
#                                codes without leading zeros ("1001")
# Needs npm and ogr2ogr (gdal-bin). Run it in this folder: sh make.sh
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
(cd "$work" && npm install --no-save --silent us-atlas@3.0.1 vega-datasets@2 >/dev/null)
rm -f "$here"/counties.*
ogr2ogr -f "ESRI Shapefile" -lco ENCODING=UTF-8 "$here/counties.shp" \
    "$work/node_modules/us-atlas/counties-10m.json" counties \
    -where "id LIKE '01%' OR id LIKE '04%' OR id LIKE '10%'"
awk -F '\t' 'NR == 1 || $1 ~ /^(1[0-9][0-9][0-9]|4[0-9][0-9][0-9]|10[0-9][0-9][0-9])$/ ||
             ($1 ~ /^20[0-9][0-9]$/ && ++alaska <= 5)' \
    "$work/node_modules/vega-datasets/data/unemployment.tsv" >"$here/unemployment.tsv"
rm -rf "$work"
