#pragma once

#include <QString>

// Metres in one unit of a shapefile's coordinates, read from its ".prj" (well-known text):
// the linear unit of a projected coordinate system (UNIT["Meter",1], UNIT["Foot_US",0.3048...]).
// 0 when there is no .prj, it cannot be read, or the coordinates are not projected (degrees
// measure no fixed length on the map).
double MetresPerMapUnit(const QString &shapefile);
