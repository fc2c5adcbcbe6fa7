#include "platform/mapcontrol/shapewriter.h"

#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace {

// The records are written out whenever this much has gathered.
constexpr qsizetype kFlushBytes = 1 << 20;
constexpr qsizetype kHeaderBytes = 100;

char *bigInt(char *at, qint32 v)
{
    qToBigEndian(v, at);
    return at + 4;
}

char *littleInt(char *at, qint32 v)
{
    qToLittleEndian(v, at);
    return at + 4;
}

char *littleDouble(char *at, double v)
{
    qToLittleEndian(v, at);
    return at + 8;
}

char *box(char *at, const double b[4])
{
    for (int i = 0; i < 4; ++i)
        at = littleDouble(at, b[i]);
    return at;
}

// The 100-byte header of .shp and .shx: file code, length in 16-bit words, version, type, box.
void header(char *at, qint64 length, int family, const double b[4])
{
    std::memset(at, 0, kHeaderBytes);
    bigInt(at, 9994);
    bigInt(at + 24, qint32(length / 2));
    littleInt(at + 28, 1000);
    littleInt(at + 32, family);
    box(at + 36, b);
}

} // namespace

ShapeFileWriter::ShapeFileWriter(const QString &shpPath, int family)
    : m_path(shpPath), m_family(family), m_shp(shpPath)
{
}

bool ShapeFileWriter::open(QString *error)
{
    // The header is written last, when the length and the box are known.
    if (m_shp.open(QIODevice::WriteOnly) && m_shp.write(QByteArray(kHeaderBytes, '\0')) == kHeaderBytes) {
        m_buffer.reserve(kFlushBytes + (1 << 16));
        return true;
    }
    if (error)
        *error = QStringLiteral("%1 can't be written: %2").arg(m_path, m_shp.errorString());
    return false;
}

char *ShapeFileWriter::grow(qsizetype bytes)
{
    const qsizetype at = m_buffer.size();
    if (at + bytes > m_buffer.capacity())
        m_buffer.reserve(2 * (at + bytes));
    m_buffer.resize(at + bytes);
    return m_buffer.data() + at;
}

bool ShapeFileWriter::flush()
{
    if (!m_failed && !m_buffer.isEmpty() && m_shp.write(m_buffer) != m_buffer.size())
        m_failed = true;
    m_buffer.resize(0);
    return !m_failed;
}

void ShapeFileWriter::add(const ShapeParts &shapes, int shape)
{
    const std::uint32_t firstPart = shapes.shapeStart[shape], endPart = shapes.shapeStart[shape + 1];
    const std::uint32_t first = shapes.partStart[firstPart], end = shapes.partStart[endPart];
    const QPointF *points = shapes.points.data();
    double b[4] = {0, 0, 0, 0};
    if (end > first) {
        b[0] = b[2] = points[first].x();
        b[1] = b[3] = points[first].y();
        for (std::uint32_t i = first + 1; i < end; ++i) {
            b[0] = std::min(b[0], points[i].x());
            b[1] = std::min(b[1], points[i].y());
            b[2] = std::max(b[2], points[i].x());
            b[3] = std::max(b[3], points[i].y());
        }
        if (m_empty) {
            std::copy(b, b + 4, m_box);
            m_empty = false;
        } else {
            m_box[0] = std::min(m_box[0], b[0]);
            m_box[1] = std::min(m_box[1], b[1]);
            m_box[2] = std::max(m_box[2], b[2]);
            m_box[3] = std::max(m_box[3], b[3]);
        }
    }
    const qint32 parts = qint32(endPart - firstPart), count = qint32(end - first);
    const qint32 content = end == first   ? 4
                           : m_family == 1 ? 20
                           : m_family == 8 ? 40 + 16 * count
                                           : 44 + 4 * parts + 16 * count;
    ++m_records;
    const qsizetype at = m_index.size();
    if (at + 8 > m_index.capacity())
        m_index.reserve(2 * at + 4096);
    m_index.resize(at + 8);
    bigInt(bigInt(m_index.data() + at, qint32(m_offset / 2)), content / 2);
    char *p = grow(8 + content);
    p = bigInt(p, m_records);
    p = bigInt(p, content / 2);
    m_offset += 8 + content;
    if (end == first) {
        littleInt(p, 0);
    } else if (m_family == 1) {
        p = littleInt(p, m_family);
        p = littleDouble(p, points[first].x());
        littleDouble(p, points[first].y());
    } else {
        p = littleInt(p, m_family);
        p = box(p, b);
        if (m_family != 8)
            p = littleInt(p, parts);
        p = littleInt(p, count);
        if (m_family != 8)
            for (std::uint32_t part = firstPart; part < endPart; ++part)
                p = littleInt(p, qint32(shapes.partStart[part] - first));
        for (std::uint32_t i = first; i < end; ++i) {
            p = littleDouble(p, points[i].x());
            p = littleDouble(p, points[i].y());
        }
    }
    if (m_buffer.size() >= kFlushBytes)
        flush();
}

bool ShapeFileWriter::finish(QString *error)
{
    char head[kHeaderBytes];
    header(head, m_offset, m_family, m_box);
    bool ok = flush() && m_shp.seek(0) && m_shp.write(head, kHeaderBytes) == kHeaderBytes
              && m_shp.commit();
    if (!ok) {
        if (error)
            *error = QStringLiteral("%1 can't be written: %2").arg(m_path, m_shp.errorString());
        m_shp.cancelWriting();
        return false;
    }
    const QFileInfo info(m_path);
    QSaveFile shx(info.path() + u'/' + info.completeBaseName() + QStringLiteral(".shx"));
    header(head, kHeaderBytes + m_index.size(), m_family, m_box);
    ok = shx.open(QIODevice::WriteOnly) && shx.write(head, kHeaderBytes) == kHeaderBytes
         && shx.write(m_index) == m_index.size() && shx.commit();
    if (!ok && error)
        *error = QStringLiteral("%1 can't be written: %2").arg(shx.fileName(), shx.errorString());
    return ok;
}
