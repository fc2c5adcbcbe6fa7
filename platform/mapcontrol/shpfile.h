#pragma once

#include "platform/mapcontrol/shapestore.h"

#include <QString>

#include <functional>

// Reads the shapes of a .shp file in one go: the file is mapped into memory and its records
// are parsed in place (100-byte header, big-endian record headers, little-endian contents),
// with every count and length checked against the record and the file. Records are taken in
// file order, so the .shx index is not needed.
class ShpFile {
public:
    // The shapefile type number of the file's header (1 point, 3 line, 5 polygon, 8 point
    // set, plus 10 with Z values, plus 20 with M values); 0 before a successful read.
    int fileType() const { return m_fileType; }

    // Appends every record to the store (a null record as an empty shape). False with
    // *error saying what is wrong and where when the file can't be opened, is no shape
    // file, is cut short or holds a damaged record; the store is then left incomplete.
    bool read(const QString &shpPath, ShapeStore &store, QString *error);

    // Reads the records in batches, for a pass over a large file that needs no more than a
    // batch of its shapes at a time: whenever the store holds batchVertices vertices or more,
    // and at the end, batch(store, first) is called (first: the number of the store's first
    // shape in the file, from 0) and the store emptied. False as read() is; the batches before
    // the fault have been passed on.
    using Batch = std::function<void(const ShapeStore &store, int first)>;
    bool readInBatches(const QString &shpPath, std::size_t batchVertices, const Batch &batch,
                       QString *error);

private:
    void passBatch(ShapeStore &store);
    bool readRecords(const uchar *data, qint64 size, ShapeStore &store);
    bool readRecord(const uchar *content, qint64 length, int record, ShapeStore &store);
    bool fail(const QString &why);

    int m_fileType = 0;
    QString m_error;
    const Batch *m_batch = nullptr; // while readInBatches runs
    std::size_t m_batchVertices = 0;
    int m_shapesPassed = 0;
};
