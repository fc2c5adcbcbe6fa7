#!/usr/bin/env bash
# Makes the US counties test map once from the npm package us-atlas (3,231 counties of the
# census bureau's cartographic boundaries, 1:10,000,000): the shapefile us_counties.* (fields
# id = five-digit county code, name), its map definition US.INI and a semicolon statistics
# file us_counties.sdv with one made-up figure per county. Tests and benchmarks use the
# files made here and never fetch anything.
#
# Needs npm and ogr2ogr (gdal-bin). Run from any folder: ./make_us_counties.sh
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
(cd "$work" && npm pack --silent us-atlas@3.0.1 >/dev/null && tar xzf us-atlas-3.0.1.tgz)

# Longitudes and latitudes as an equirectangular map centred on 150 degrees west, so that the
# Aleutians, Guam and the Marianas lie beside the other counties rather than across the
# antimeridian; the counties keep their shapes as read.
rm -f "$here"/us_counties.*
ogr2ogr -f "ESRI Shapefile" -lco RESIZE=YES -lco ENCODING=UTF-8 \
    -s_srs EPSG:4326 -t_srs "+proj=eqc +lon_0=-150 +lat_ts=38 +ellps=WGS84 +units=km +no_defs" \
    "$here/us_counties.shp" "$work/package/counties-10m.json" counties
rm -f "$here/us_counties.prj"

# One figure per county, made up from its code so that the file is the same on every run.
{
    printf 'US.INI\r\n'
    printf 'County;Made-up figure;\r\n'
    ogrinfo -q -al -geom=NO "$here/us_counties.shp" | sed -n 's/^ *id (String) = //p' |
        awk '{ v = ($1 * 7919) % 100003; printf "%s;%d;\r\n", $1, v }'
} > "$here/us_counties.sdv"

cat > "$here/US.INI" <<'INI'
[MAPS]
NumMaps=1
1=us_counties.shp

[FIELDS1]
MapName=US counties
KeyField=id
KeyPField=REGION
NameField=name
NamePField=County
StatPField=Value
Show=1
Color=colGray
Size=1

[DEFAULT]
StartCol=colLightYellow
EndCol=colMaroon
NullCol=colWhite
ShowNoData=1
INI
sed -i 's/$/\r/' "$here/US.INI"
cp "$work/package/LICENSE" "$here/LICENSE.us-atlas"
