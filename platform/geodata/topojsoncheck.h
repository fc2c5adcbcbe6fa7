#pragma once

#include <QString>

namespace geodata {

// GDAL reads a TopoJSON geometry whose arc numbers lie outside the file's arcs as an empty
// or partial shape without a word. This checks the numbers of the object objectName (all
// objects when empty) against the arcs; false, with *error naming the object, the geometry
// and the number, when one is out of range.
bool checkTopoJsonArcs(const QString &path, const QString &objectName, QString *error);

} // namespace geodata
