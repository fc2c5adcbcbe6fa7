#pragma once

#include <QList>
#include <QString>

#include <optional>

// A square region of a test layer: key, lower-left corner, side length, value (none: a NULL
// cell, as a region without data).
struct Square {
    QString key;
    double x = 0.0;
    double y = 0.0;
    double side = 1.0;
    std::optional<double> value;
};

// Writes a polygon shapefile (folder/name.shp, .shx, .dbf) of the squares, with the text
// field "KEY" and the numeric field "STAT". Returns the path of the .shp; empty on failure.
QString writeSquareLayer(const QString &folder, const QString &name, const QList<Square> &squares);
