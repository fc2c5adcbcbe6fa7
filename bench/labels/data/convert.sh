#!/bin/sh
# Converts the counties of the npm package us-atlas (counties-10m.json, TopoJSON in degrees)
# into the shapefile us_counties.* beside this script: 3,231 counties and county equivalents,
# projected to NAD83 / Conus Albers (EPSG:5070, metres), names in UTF-8 (.cpg). Run once; the
# benchmark reads the result and never fetches anything. Needs npm and ogr2ogr (gdal-bin).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && npm pack --silent us-atlas@3.0.1 >/dev/null && tar xzf us-atlas-3.0.1.tgz)
rm -f "$here"/us_counties.*
ogr2ogr -f "ESRI Shapefile" -s_srs EPSG:4326 -t_srs EPSG:5070 -lco ENCODING=UTF-8 \
    -lco RESIZE=YES -nlt MULTIPOLYGON -nln us_counties "$here/us_counties.shp" \
    "$work/package/counties-10m.json" counties
cp "$work/package/LICENSE" "$here/LICENSE.us-atlas"
