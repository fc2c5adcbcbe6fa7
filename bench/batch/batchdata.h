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
