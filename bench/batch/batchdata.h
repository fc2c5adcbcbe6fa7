#pragma once

#include <QString>

// Test data of the batch benchmark, written into a program folder (Maps/ and TQ-files/).

// A map definition "Bench.INI" with one map of `regions` polygons of `vertices` corners each
// (regular polygons in a square grid, projected coordinates in metres), and a semicolon
// statistics file "bench.sdv" with three value columns in which every 100th region is missing.
// Returns the path of the statistics file; empty on failure.
QString WriteBenchData(const QString &programFolder, int regions, int vertices);

// Copies the sample map definitions and statistics files into the program folder.
bool CopySamples(const QString &samplesFolder, const QString &programFolder);

// The same grid in longitude/latitude with a .prj (statistics file "benchll.sdv") and as a
// GeoPackage made from it with ogr2ogr ("benchgpkg.sdv"); empty paths on failure.
struct BenchVariants {
    QString lonLat;
    QString geoPackage;
};
BenchVariants WriteBenchVariants(const QString &programFolder, int regions, int vertices);

// The 3,231 US counties of a TopoJSON file (tests/data/geodata/us_counties.topojson) with a map
// definition "US.INI" (Projection=auto) and a semicolon file of made-up unemployment rates per
// FIPS code; returns the statistics file, empty on failure.
QString WriteCountiesData(const QString &programFolder, const QString &topoJson);
