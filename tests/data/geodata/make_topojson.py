#!/usr/bin/env python3
"""Makes the TopoJSON files the vector-layer tests read; run once, the results are kept.

nc_counties.topojson: the North Carolina sample (samples/Maps/nc_counties.shp) as TopoJSON,
converted with GDAL's ogr2ogr to GeoJSON and from there written as a topology with one arc
per ring (GDAL reads TopoJSON but does not write it). Coordinates are kept as they are.

us_counties.topojson: the 3,231 counties of the npm package us-atlas 3.0.1
(counties-10m.json: longitude/latitude, FIPS codes as ids, county names), with only its
"counties" object (the states and the nation are left out; the arcs stay as they are).

    python3 make_topojson.py            (needs ogr2ogr and npm)
"""
import json
import os
import subprocess
import tarfile
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", "..", ".."))


def nc_counties():
    with tempfile.TemporaryDirectory() as tmp:
        geojson = os.path.join(tmp, "nc.geojson")
        subprocess.run(["ogr2ogr", "-f", "GeoJSON", "-lco", "COORDINATE_PRECISION=15", geojson,
                        os.path.join(ROOT, "samples", "Maps", "nc_counties.shp")], check=True)
        with open(geojson) as f:
            collection = json.load(f)
    arcs = []
    geometries = []

    def ring_arcs(ring):
        arcs.append(ring)
        return [len(arcs) - 1]

    for feature in collection["features"]:
        g = feature["geometry"]
        entry = {"properties": feature["properties"]}
        if g is None:
            entry["type"] = None
        elif g["type"] == "Polygon":
            entry["type"] = "Polygon"
            entry["arcs"] = [ring_arcs(r) for r in g["coordinates"]]
        else:
            entry["type"] = "MultiPolygon"
            entry["arcs"] = [[ring_arcs(r) for r in p] for p in g["coordinates"]]
        geometries.append(entry)
    topology = {"type": "Topology",
                "objects": {"nc_counties": {"type": "GeometryCollection", "geometries": geometries}},
                "arcs": arcs}
    with open(os.path.join(HERE, "nc_counties.topojson"), "w") as f:
        json.dump(topology, f, separators=(",", ":"))


def us_counties():
    with tempfile.TemporaryDirectory() as tmp:
        subprocess.run(["npm", "pack", "--silent", "us-atlas@3.0.1"], cwd=tmp, check=True,
                       stdout=subprocess.DEVNULL)
        with tarfile.open(os.path.join(tmp, "us-atlas-3.0.1.tgz")) as archive:
            topology = json.load(archive.extractfile("package/counties-10m.json"))
    topology["objects"] = {"counties": topology["objects"]["counties"]}
    with open(os.path.join(HERE, "us_counties.topojson"), "w") as f:
        json.dump(topology, f, separators=(",", ":"))


if __name__ == "__main__":
    nc_counties()
    us_counties()
