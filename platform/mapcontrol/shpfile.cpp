#include "platform/mapcontrol/shpfile.h"

#include "kitbag/kbread.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <vector>

#include <sys/mman.h>

namespace {

constexpr qint64 kHeaderSize = 100;
constexpr qint64 kRecordHeaderSize = 8;
constexpr qint32 kFileCode = 9994;

qint32 bigInt(const uchar *p) { return qFromBigEndian<qint32>(p); }
qint32 littleInt(const uchar *p) { return qFromLittleEndian<qint32>(p); }

// The family of a shapefile type number: 1 point, 3 line, 5 polygon, 8 point set; 0 other.
int family(int type)
{
    switch (type) {
    case 1: case 11: case 21:
        return 1;
    case 3: case 13: case 23:
        return 3;
    case 5: case 15: case 25:
        return 5;
    case 8: case 18: case 28:
        return 8;
    default:
        return 0;
    }
}

} // namespace

bool ShpFile::fail(const QString &why)
{
    m_error = why;
    return false;
}

bool ShpFile::read(const QString &shpPath, ShapeStore &store, QString *error)
{
    m_fileType = 0;
    m_error.clear();
    QFile file(shpPath);
    bool ok = false;
    if (!kbread::isRegularFile(shpPath)) {
        // a device or FIFO would block the program or feed it without end
        fail(QStringLiteral("the file is not a regular file"));
    } else if (!file.open(QIODevice::ReadOnly)) {
        fail(QStringLiteral("the file can't be opened (%1)").arg(file.errorString()));
    } else if (file.size() < kHeaderSize) {
        fail(QStringLiteral("the file is too short for a shape file (%1 bytes)").arg(file.size()));
    } else if (void *map = ::mmap(nullptr, std::size_t(file.size()), PROT_READ,
                                  MAP_PRIVATE | MAP_POPULATE, file.handle(), 0);
               map != MAP_FAILED) {
        // Mapped with its pages read in at once: far fewer page faults than mapping lazily.
        ok = readRecords(static_cast<const uchar *>(map), file.size(), store);
        ::munmap(map, std::size_t(file.size()));
    } else {
        // Files that can't be mapped (special file systems) are read into memory.
        const QByteArray bytes = file.readAll();
        if (bytes.size() != file.size())
            fail(QStringLiteral("the file can't be read (%1)").arg(file.errorString()));
        else
            ok = readRecords(reinterpret_cast<const uchar *>(bytes.constData()), bytes.size(),
                             store);
    }
    if (!ok) {
        m_fileType = 0;
        if (error)
            *error = m_error;
    }
    return ok;
}

bool ShpFile::readInBatches(const QString &shpPath, std::size_t batchVertices,
                            const Batch &batch, QString *error)
{
    ShapeStore store;
    m_batch = &batch;
    m_batchVertices = std::max<std::size_t>(batchVertices, 1);
    m_shapesPassed = 0;
    const bool ok = read(shpPath, store, error);
    m_batch = nullptr;
    return ok;
}

void ShpFile::passBatch(ShapeStore &store)
{
    (*m_batch)(store, m_shapesPassed);
    m_shapesPassed += store.shapeCount();
    store.clear();
}

bool ShpFile::readRecords(const uchar *data, qint64 size, ShapeStore &store)
{
    if (bigInt(data) != kFileCode)
        return fail(QStringLiteral("the file is not a shape file"));
    const int type = littleInt(data + 32);
    if (family(type) == 0)
        return fail(QStringLiteral("shapes of type %1 can't be shown").arg(type));
    // The header gives the file length in 16-bit words. A file shorter than that was cut
    // short; bytes beyond it are not records.
    const qint64 declared = qint64(quint32(bigInt(data + 24))) * 2;
    if (declared > size)
        return fail(QStringLiteral("the file is cut short: %1 of its %2 bytes are there")
                        .arg(size)
                        .arg(declared));
    const qint64 end = declared >= kHeaderSize ? declared : size;
    m_fileType = type;
    // Polygon files are nearly all vertices of 16 bytes; reserving for them avoids copies.
    store.reserve(0, m_batch ? m_batchVertices + m_batchVertices / 4 : std::size_t(end / 16));
    qint64 offset = kHeaderSize;
    for (int record = 1; offset < end; ++record) {
        if (end - offset < kRecordHeaderSize)
            return fail(QStringLiteral("the file ends inside the header of record %1")
                            .arg(record));
        const qint64 length = qint64(quint32(bigInt(data + offset + 4))) * 2;
        offset += kRecordHeaderSize;
        if (length > end - offset)
            return fail(QStringLiteral("record %1 runs past the end of the file "
                                       "(%2 bytes from byte %3; the file is cut short or "
                                       "the record length is wrong)")
                            .arg(record)
                            .arg(length)
                            .arg(offset));
        if (!readRecord(data + offset, length, record, store))
            return false;
        offset += length;
        if (m_batch && store.pointCount() >= m_batchVertices)
            passBatch(store);
    }
    if (m_batch && store.shapeCount() > 0)
        passBatch(store);
    return true;
}

// One record's content: a null shape, a point, or a shape with a box, parts and vertices
// (Z and M values after the vertices are not used).
bool ShpFile::readRecord(const uchar *content, qint64 length, int record, ShapeStore &store)
{
    auto damaged = [&](const QString &what) {
        return fail(QStringLiteral("record %1 is damaged: %2").arg(record).arg(what));
    };
    if (length < 4)
        return damaged(QStringLiteral("it has no shape type"));
    const int type = littleInt(content);
    if (type == 0) {
        store.append(nullptr, nullptr, 0, nullptr, 0);
        return true;
    }
    const int kind = family(type);
    if (kind != family(m_fileType))
        return damaged(
            QStringLiteral("shape type %1 in a file of type %2").arg(type).arg(m_fileType));
    if (kind == 1) {
        if (length < 20)
            return damaged(QStringLiteral("the point is cut short"));
        if (!store.appendPacked(content + 4, 1, nullptr, 0))
            return damaged(QStringLiteral("a coordinate of the point is not a finite number"));
        return true;
    }
    const bool hasParts = kind != 8;
    const qint64 fixed = hasParts ? 44 : 40; // type, box, counts
    if (length < fixed)
        return damaged(QStringLiteral("the record is too short for its counts"));
    const qint32 parts = hasParts ? littleInt(content + 36) : 0;
    const qint32 points = littleInt(content + (hasParts ? 40 : 36));
    if (parts < 0 || points < 0 || (hasParts && points > 0 && parts == 0) ||
        fixed + qint64(parts) * 4 + qint64(points) * 16 > length)
        return damaged(QStringLiteral("%1 parts and %2 vertices don't fit into %3 bytes")
                           .arg(parts)
                           .arg(points)
                           .arg(length));
    static thread_local std::vector<int> starts;
    starts.resize(std::size_t(parts));
    for (qint32 p = 0; p < parts; ++p) {
        starts[p] = littleInt(content + fixed + 4 * p);
        const int least = p == 0 ? 0 : starts[p - 1];
        if (starts[p] < least || starts[p] > points || (p == 0 && starts[p] != 0))
            return damaged(
                QStringLiteral("part %1 starts at vertex %2").arg(p + 1).arg(starts[p]));
    }
    if (!store.appendPacked(content + fixed + qint64(parts) * 4, points, starts.data(), parts))
        return damaged(QStringLiteral("a coordinate of its vertices is not a finite number"));
    return true;
}
