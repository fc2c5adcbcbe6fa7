#pragma once

#include "platform/mapcontrol/shapeparts.h"

#include <QByteArray>
#include <QSaveFile>
#include <QString>

// Writes a shape file (.shp with its .shx index) of one family: 1 point, 3 line, 5 polygon,
// 8 point set, shape by shape as they are made, so that a layer of any size passes through
// a small buffer instead of being held whole; a shape without vertices becomes a null
// record. Each file is written beside its old self and renamed over it at finish(), so a
// failure leaves the old file whole.
class ShapeFileWriter {
public:
    ShapeFileWriter(const QString &shpPath, int family);

    // False, with *error, when the file can't be made.
    bool open(QString *error);
    // Appends shape `shape` of shapes as the next record.
    void add(const ShapeParts &shapes, int shape);
    // Writes the header and the index and puts both files in place; false, with *error, when
    // a file can't be written.
    bool finish(QString *error);

private:
    char *grow(qsizetype bytes);
    bool flush();

    QString m_path;
    int m_family;
    QSaveFile m_shp;
    QByteArray m_buffer; // records not yet written
    QByteArray m_index;  // the .shx records
    qint64 m_offset = 100; // bytes of the .shp so far
    int m_records = 0;
    bool m_failed = false;
    double m_box[4] = {0, 0, 0, 0};
    bool m_empty = true;
};
