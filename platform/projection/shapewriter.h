#pragma once

#include "platform/projection/shapeparts.h"

#include <QString>

// Writes shapes as a shape file (.shp with its .shx index) of one family: 1 point, 3 line,
// 5 polygon, 8 point set; a shape without vertices becomes a null record. Each file is
// written beside its old self and renamed over it, so a failure leaves the old file whole.
// False, with *error, when a file can't be written.
bool writeShapeFile(const QString &shpPath, int family, const ShapeParts &shapes, QString *error);
