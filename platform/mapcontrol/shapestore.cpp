#include "platform/mapcontrol/shapestore.h"

#include <QSysInfo>
#include <QtEndian>

#include <algorithm>
#include <cstring>

#include <sys/mman.h>

void ShapeStore::clear()
{
    m_points.clear();
    m_partPoints.assign(1, 0);
    m_shapeParts.assign(1, 0);
    m_bounds.clear();
}

void ShapeStore::reserve(std::size_t shapes, std::size_t vertices)
{
    m_points.reserve(vertices);
    // Large vertex arrays are backed by huge pages where the system offers them on request:
    // the first touch of every 4 KiB page costs more than copying the vertices into it.
    constexpr std::uintptr_t kHuge = 2u << 20;
    const auto begin = reinterpret_cast<std::uintptr_t>(m_points.data());
    const std::uintptr_t alignedBegin = (begin + kHuge - 1) & ~(kHuge - 1);
    const std::uintptr_t end = begin + m_points.capacity() * sizeof(QPointF);
    if (end > alignedBegin + kHuge)
        ::madvise(reinterpret_cast<void *>(alignedBegin), (end - alignedBegin) & ~(kHuge - 1),
                  MADV_HUGEPAGE);
    m_bounds.reserve(shapes);
    m_shapeParts.reserve(shapes + 1);
    m_partPoints.reserve(shapes + 1);
}

bool ShapeStore::append(const double *xs, const double *ys, int vertexCount,
                        const int *partStarts, int partCount)
{
    for (int i = 0; i < vertexCount; ++i)
        m_points.emplace_back(xs[i], ys[i]);
    return closeShape(vertexCount, partStarts, partCount);
}

bool ShapeStore::appendPacked(const unsigned char *xy, int vertexCount, const int *partStarts,
                              int partCount)
{
    const std::size_t first = m_points.size();
    m_points.resize(first + std::size_t(std::max(vertexCount, 0)));
    QPointF *out = m_points.data() + first;
    static_assert(sizeof(QPointF) == 16);
    if constexpr (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
        if (vertexCount > 0)
            std::memcpy(static_cast<void *>(out), xy, std::size_t(vertexCount) * 16);
    } else {
        for (int i = 0; i < vertexCount; ++i, xy += 16)
            out[i] = QPointF(qFromLittleEndian<double>(xy), qFromLittleEndian<double>(xy + 8));
    }
    return closeShape(vertexCount, partStarts, partCount);
}

// Ends the shape whose vertexCount vertices were just appended: its parts and its bounds.
bool ShapeStore::closeShape(int vertexCount, const int *partStarts, int partCount)
{
    MapRectangle box;
    const auto base = m_partPoints.back();
    // Stays 0 while every coordinate is finite: NaN or an infinity times 0 is NaN.
    double nonFinite = 0.0;
    if (vertexCount > 0) {
        const QPointF *p = m_points.data() + base;
        box = {p[0].x(), p[0].x(), p[0].y(), p[0].y()};
        nonFinite += p[0].x() * 0.0 + p[0].y() * 0.0;
        for (int i = 1; i < vertexCount; ++i) {
            box.Left = std::min(box.Left, p[i].x());
            box.Right = std::max(box.Right, p[i].x());
            box.Bottom = std::min(box.Bottom, p[i].y());
            box.Top = std::max(box.Top, p[i].y());
            nonFinite += p[i].x() * 0.0 + p[i].y() * 0.0;
        }
        // A shape without part list (points) is one part; part starts are kept ascending and
        // within the vertex count (a damaged record), so that no range runs past its shape.
        const int parts = std::max(partCount, 1);
        int previous = 0;
        for (int p = 1; p < parts; ++p) {
            previous = std::clamp(partStarts ? partStarts[p] : 0, previous, vertexCount);
            m_partPoints.push_back(base + std::uint32_t(previous));
        }
        m_partPoints.push_back(base + std::uint32_t(vertexCount));
    }
    m_shapeParts.push_back(std::uint32_t(m_partPoints.size() - 1));
    m_bounds.push_back(box);
    return nonFinite == 0.0;
}
MapShape ShapeStore::shape(int s, int kind) const
{
    QList<QPolygonF> parts;
    for (int p = partBegin(s); p < partEnd(s); ++p)
        parts << QPolygonF(QList<QPointF>(pointsBegin(p), pointsEnd(p)));
    switch (kind) {
    case PolygonShape:
        return MapShape::Polygon(parts);
    case LineShape:
        return MapShape::Line(parts);
    case MultiPointShape:
        return parts.isEmpty() ? MapShape() : MapShape::MultiPoint(parts.first());
    case PointShape:
        if (parts.isEmpty() || parts.first().isEmpty())
            return {};
        return MapShape::Point(MapPoint::fromPointF(parts.first().first()));
    default:
        return {};
    }
}

std::size_t ShapeStore::memoryBytes() const
{
    return m_points.capacity() * sizeof(QPointF) +
           (m_partPoints.capacity() + m_shapeParts.capacity()) * sizeof(std::uint32_t) +
           m_bounds.capacity() * sizeof(MapRectangle);
}
