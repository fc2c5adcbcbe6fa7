#include "platform/mapcontrol/shapestore.h"

#include <algorithm>

void ShapeStore::reserve(std::size_t shapes, std::size_t vertices)
{
    m_points.reserve(vertices);
    m_bounds.reserve(shapes);
    m_shapeParts.reserve(shapes + 1);
    m_partPoints.reserve(shapes + 1);
}

void ShapeStore::append(const double *xs, const double *ys, int vertexCount,
                        const int *partStarts, int partCount)
{
    MapRectangle box;
    if (vertexCount > 0) {
        box = {xs[0], xs[0], ys[0], ys[0]};
        for (int i = 0; i < vertexCount; ++i) {
            m_points.emplace_back(xs[i], ys[i]);
            box.Left = std::min(box.Left, xs[i]);
            box.Right = std::max(box.Right, xs[i]);
            box.Bottom = std::min(box.Bottom, ys[i]);
            box.Top = std::max(box.Top, ys[i]);
        }
    }
    const auto base = m_partPoints.back();
    if (vertexCount > 0) {
        // A shape without part list (points) is one part; part starts beyond the vertex
        // count (a damaged record) are clamped so that no range runs past its shape.
        const int parts = std::max(partCount, 1);
        for (int p = 1; p < parts; ++p) {
            const int start = std::clamp(partStarts ? partStarts[p] : 0, 0, vertexCount);
            m_partPoints.push_back(base + std::uint32_t(start));
        }
        m_partPoints.push_back(base + std::uint32_t(vertexCount));
    }
    m_shapeParts.push_back(std::uint32_t(m_partPoints.size() - 1));
    m_bounds.push_back(box);
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
