#!/usr/bin/env bash
# Makes the North Carolina counties with awkward names once, for the tests of the web page's
# escaping: names.shp is the sample map's nc_counties with four county names replaced by
# texts holding markup characters, quotes, right-to-left text and emoji; NAMES.INI is its map
# definition. Needs ogr2ogr (gdal-bin). Run from any folder: ./make_names.sh
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
maps="$here/../../../samples/Maps"
rm -f "$here"/names.*
ogr2ogr -f "ESRI Shapefile" -lco ENCODING=UTF-8 -dialect SQLite -sql "
  SELECT Geometry, FIPS, CASE NAME
    WHEN 'Mecklenburg' THEN '<b>Meck</b> & \"lenburg\" ''Co'''
    WHEN 'Wake' THEN 'ויק &amp; Wake'
    WHEN 'Tyrrell' THEN 'Tyrrell 🗺️ </script><script>alert(1)</script>'
    WHEN 'Dare' THEN '{{TITLE}} ]]> <!-- x -->'
    ELSE NAME END AS NAME
  FROM nc_counties" "$here/names.shp" "$maps/nc_counties.shp"
printf '%s\r\n' '[MAPS]' 'NumMaps=1' '1=names.shp' '' '[FIELDS1]' \
    'MapName=Counties <i>&</i> "more"' 'KeyField=FIPS' 'KeyPField=REGION' 'NameField=NAME' \
    'NamePField=County' 'StatPField=Value' 'Show=1' 'Color=colGray' 'Size=1' '' \
    '[DEFAULT]' 'StartCol=colLightYellow' 'EndCol=colMaroon' 'NullCol=colWhite' \
    'ShowNoData=1' > "$here/NAMES.INI"

# A figure per county under a statistic's name holding the same kinds of characters. The tests
# copy it to a file whose name holds them too (the file name becomes the title).
{
    printf 'NAMES.INI\r\n'
    printf '%s\r\n' "County;<b>Births</b> & \"more\" 'q' ולדות 🗺️;"
    ogrinfo -q -al -geom=NO "$here/names.shp" | sed -n 's/^ *FIPS (String) = //p' |
        awk '{ printf "%s;%d;\r\n", $1, ($1 * 7) % 5000 }'
} > "$here/names.sdv"
