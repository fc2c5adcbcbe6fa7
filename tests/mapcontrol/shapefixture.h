#pragma once

#include <QByteArray>
#include <QList>
#include <QPolygonF>
#include <QString>
#include <QVariant>

// Writes small real shapefiles with shapelib for the tests. A cell is a double, a QString
// (written as UTF-8), a QByteArray (written byte for byte, also into numeric fields, e.g.
// "****") or an invalid QVariant (NULL).
struct FixtureField {
    QString name;
    char type; // 'C' text, 'N' number
    int width;
    int decimals;
};

bool writeShapefile(const QString &base, int shpType, const QList<QList<QPolygonF>> &shapes,
                    const QList<FixtureField> &fields, const QList<QVariantList> &rows);
bool writeTable(const QString &dbfPath, const QList<FixtureField> &fields,
                const QList<QVariantList> &rows);

// An axis-parallel square ring, clockwise (an outer ring in a shapefile).
QPolygonF squareRing(double left, double bottom, double size);
