#include "platform/projection/shapewriter.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace {

struct Box {
    double xmin = 0, ymin = 0, xmax = 0, ymax = 0;
    bool empty = true;
    void add(const QPointF &p)
    {
        if (empty) {
            xmin = xmax = p.x();
            ymin = ymax = p.y();
            empty = false;
            return;
        }
        xmin = std::min(xmin, p.x());
        xmax = std::max(xmax, p.x());
        ymin = std::min(ymin, p.y());
        ymax = std::max(ymax, p.y());
    }
};

class Buffer {
public:
    explicit Buffer(std::size_t reserve) { m_bytes.reserve(qsizetype(reserve)); }
    void bigInt(qint32 v) { append(qToBigEndian(v)); }
    void littleInt(qint32 v) { append(qToLittleEndian(v)); }
    void littleDouble(double v) { append(qToLittleEndian(v)); }
    void box(const Box &b)
    {
        littleDouble(b.xmin);
        littleDouble(b.ymin);
        littleDouble(b.xmax);
        littleDouble(b.ymax);
    }
    qsizetype size() const { return m_bytes.size(); }
    QByteArray &bytes() { return m_bytes; }

private:
    template <typename T> void append(T v)
    {
        m_bytes.append(reinterpret_cast<const char *>(&v), sizeof v);
    }
    QByteArray m_bytes;
};

// The 100-byte header of .shp and .shx: file code, length in 16-bit words, version, type, box.
void header(Buffer &out, qsizetype length, int family, const Box &box)
{
    out.bigInt(9994);
    for (int i = 0; i < 5; ++i)
        out.bigInt(0);
    out.bigInt(qint32(length / 2));
    out.littleInt(1000);
    out.littleInt(family);
    out.box(box);
    for (int i = 0; i < 4; ++i)
        out.littleDouble(0.0);
}

bool save(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    if (error)
        *error = QStringLiteral("%1 can't be written: %2").arg(path, file.errorString());
    return false;
}

} // namespace

bool writeShapeFile(const QString &shpPath, int family, const ShapeParts &shapes, QString *error)
{
    const int count = shapes.shapeCount();
    // The records go straight behind a header written when the length is known.
    Buffer records(100 + std::size_t(count) * 60 + shapes.points.size() * 16);
    records.bytes().resize(100);
    Buffer index(std::size_t(count) * 8);
    Box all;
    for (int s = 0; s < count; ++s) {
        const std::uint32_t firstPart = shapes.shapeStart[s], endPart = shapes.shapeStart[s + 1];
        const std::uint32_t first = shapes.partStart[firstPart], end = shapes.partStart[endPart];
        const qsizetype offset = records.size();
        Box box;
        for (std::uint32_t i = first; i < end; ++i)
            box.add(shapes.points[i]);
        qint32 content = 4;
        if (!box.empty) {
            all.add({box.xmin, box.ymin});
            all.add({box.xmax, box.ymax});
            content = family == 1 ? 20
                      : family == 8 ? qint32(40 + 16 * (end - first))
                                    : qint32(44 + 4 * (endPart - firstPart) + 16 * (end - first));
        }
        records.bigInt(s + 1);
        records.bigInt(content / 2);
        index.bigInt(qint32(offset / 2));
        index.bigInt(content / 2);
        if (box.empty) {
            records.littleInt(0);
            continue;
        }
        records.littleInt(family);
        if (family == 1) {
            records.littleDouble(shapes.points[first].x());
            records.littleDouble(shapes.points[first].y());
            continue;
        }
        records.box(box);
        if (family != 8)
            records.littleInt(qint32(endPart - firstPart));
        records.littleInt(qint32(end - first));
        if (family != 8)
            for (std::uint32_t p = firstPart; p < endPart; ++p)
                records.littleInt(qint32(shapes.partStart[p] - first));
        for (std::uint32_t i = first; i < end; ++i) {
            records.littleDouble(shapes.points[i].x());
            records.littleDouble(shapes.points[i].y());
        }
    }
    Buffer shpHeader(100);
    header(shpHeader, records.size(), family, all);
    std::memcpy(records.bytes().data(), shpHeader.bytes().constData(), 100);
    Buffer shx(std::size_t(index.size()) + 100);
    header(shx, 100 + index.size(), family, all);
    shx.bytes().append(index.bytes());
    const QFileInfo info(shpPath);
    const QString shxPath = info.path() + u'/' + info.completeBaseName() + QStringLiteral(".shx");
    return save(shpPath, records.bytes(), error) && save(shxPath, shx.bytes(), error);
}
