#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// A vector file read with GDAL: any format GDAL reads (GeoPackage, GeoJSON, TopoJSON,
// FlatGeobuf, GML, KML, shape files, ...). Only this room talks to GDAL; the program sees the
// layer as the shape file that convertToShapefile writes.
namespace geodata {

// What a conversion renamed: field names longer than a dBASE table allows, shortened
// uniquely (original name, name in the table), in field order.
using FieldRenames = QList<QPair<QString, QString>>;

struct VectorLayerInfo {
    QString layerName;       // the layer taken
    QStringList layerNames;  // every layer of the file
    FieldRenames renamed;    // the field names the table will have instead
};

// Opens the file and picks its layer: the one named layerName, or (with an empty name) the
// first layer with polygons, else the first with points, else the first with lines. False,
// with *error naming the file and saying what GDAL said (or which layers the file has when
// there is no layer of that name), when it can't be read.
bool inspect(const QString &path, const QString &layerName, VectorLayerInfo *info,
             QString *error);

// Writes that layer as the shape file targetShp with its .shx, .dbf, .cpg (UTF-8) and .prj
// (when the layer has a coordinate system). Multi-polygons, holes and null geometries come
// through as in a shape file; whole-number and real fields become numeric fields wide enough
// for their values, text fields text fields as wide as their longest value. False, with
// *error, when the file can't be read whole or the copy can't be written; a copy left half
// written is removed.
bool convertToShapefile(const QString &path, const QString &layerName, const QString &targetShp,
                        VectorLayerInfo *info, QString *error);

// Files up to this size (256 MB unless set) have their table's values kept in memory while
// convertToShapefile reads their layer once; larger files are read twice instead. For tests.
void setKeepValuesLimit(qint64 bytes);

// Field names of at most 10 bytes, unique without regard to letter case: a longer name is cut
// and, where that meets a name already taken, ends in "_1", "_2", ...
FieldRenames shortenFieldNames(const QStringList &names);

} // namespace geodata
