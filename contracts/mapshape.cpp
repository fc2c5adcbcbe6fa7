#include "contracts/mapshape.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

MapRectangle boundsOf(const QList<QPolygonF> &parts)
{
    double l = std::numeric_limits<double>::max(), b = l;
    double r = std::numeric_limits<double>::lowest(), t = r;
    bool any = false;
    for (const QPolygonF &part : parts)
        for (const QPointF &p : part) {
            l = std::min(l, p.x());
            r = std::max(r, p.x());
            b = std::min(b, p.y());
            t = std::max(t, p.y());
            any = true;
        }
    return any ? MapRectangle(l, r, b, t) : MapRectangle();
}

// Signed area of a ring (shoelace formula; counter-clockwise positive), with the ring's
// centroid weighted by that area accumulated into cx, cy. Coordinates are taken relative to
// the ring's first point so that large map coordinates lose no precision.
double ringMoments(const QPolygonF &ring, double &cx, double &cy)
{
    const qsizetype n = ring.size();
    if (n < 3)
        return 0.0;
    const QPointF o = ring.first();
    double a2 = 0.0, sx = 0.0, sy = 0.0;
    for (qsizetype i = 0; i < n; ++i) {
        const QPointF p = ring[i] - o;
        const QPointF q = ring[(i + 1) % n] - o;
        const double cross = p.x() * q.y() - q.x() * p.y();
        a2 += cross;
        sx += (p.x() + q.x()) * cross;
        sy += (p.y() + q.y()) * cross;
    }
    // sx / (3 * a2) is the ring's centroid x relative to o; weight it by the area a2 / 2.
    cx += sx / 6.0 + o.x() * a2 / 2.0;
    cy += sy / 6.0 + o.y() * a2 / 2.0;
    return a2 / 2.0;
}

double segmentDistance(const QPointF &p, const QPointF &a, const QPointF &b)
{
    const QPointF ab = b - a;
    const double len2 = ab.x() * ab.x() + ab.y() * ab.y();
    double t = 0.0;
    if (len2 > 0.0)
        t = std::clamp(QPointF::dotProduct(p - a, ab) / len2, 0.0, 1.0);
    const QPointF d = p - (a + t * ab);
    return std::hypot(d.x(), d.y());
}

bool ringContains(const QPolygonF &ring, const QPointF &p)
{
    bool inside = false;
    const qsizetype n = ring.size();
    for (qsizetype i = 0, j = n - 1; i < n; j = i++) {
        const QPointF &a = ring[i], &b = ring[j];
        if ((a.y() > p.y()) != (b.y() > p.y()) &&
            p.x() < (b.x() - a.x()) * (p.y() - a.y()) / (b.y() - a.y()) + a.x())
            inside = !inside;
    }
    return inside;
}

} // namespace

MapShape::MapShape(int type, QList<QPolygonF> parts)
    : m_type(type), m_parts(std::move(parts)), m_extent(boundsOf(m_parts))
{
}

MapShape MapShape::Polygon(QList<QPolygonF> rings) { return {PolygonShape, std::move(rings)}; }
MapShape MapShape::Line(QList<QPolygonF> parts) { return {LineShape, std::move(parts)}; }
MapShape MapShape::Point(const MapPoint &p) { return {PointShape, {QPolygonF{p.toPointF()}}}; }
MapShape MapShape::MultiPoint(const QPolygonF &points) { return {MultiPointShape, {points}}; }

MapShape MapShape::Rectangle(const MapRectangle &r)
{
    MapShape s(RectangleShape, {QPolygonF{QPointF(r.Left, r.Bottom), QPointF(r.Right, r.Bottom),
                                          QPointF(r.Right, r.Top), QPointF(r.Left, r.Top)}});
    s.m_extent = r;
    return s;
}

MapShape MapShape::Ellipse(const MapRectangle &bounds)
{
    MapShape s;
    s.m_type = EllipseShape;
    s.m_extent = bounds;
    return s;
}

double MapShape::Area() const
{
    switch (m_type) {
    case RectangleShape:
        return std::abs(m_extent.Width() * m_extent.Height());
    case EllipseShape:
        return M_PI * std::abs(m_extent.Width() * m_extent.Height()) / 4.0;
    case PolygonShape: {
        // Outer rings and holes run in opposite directions, so the signed sum is the area
        // with the holes removed, whichever direction the file uses for outer rings.
        double cx = 0.0, cy = 0.0, sum = 0.0;
        for (const QPolygonF &ring : m_parts)
            sum += ringMoments(ring, cx, cy);
        return std::abs(sum);
    }
    default:
        return 0.0;
    }
}

MapPoint MapShape::Centroid() const
{
    if (m_type == PolygonShape) {
        double cx = 0.0, cy = 0.0, sum = 0.0;
        for (const QPolygonF &ring : m_parts)
            sum += ringMoments(ring, cx, cy);
        if (sum != 0.0)
            return {cx / sum, cy / sum};
    } else if (m_type == PointShape || m_type == MultiPointShape) {
        double sx = 0.0, sy = 0.0;
        qsizetype n = 0;
        for (const QPolygonF &part : m_parts)
            for (const QPointF &p : part) {
                sx += p.x();
                sy += p.y();
                ++n;
            }
        if (n > 0)
            return {sx / double(n), sy / double(n)};
    }
    return m_extent.Center();
}

bool MapShape::Contains(const MapPoint &p) const
{
    if (!m_extent.Contains(p))
        return false;
    if (m_type == RectangleShape)
        return true;
    if (m_type == EllipseShape) {
        const MapPoint c = m_extent.Center();
        const double rx = m_extent.Width() / 2.0, ry = m_extent.Height() / 2.0;
        if (rx <= 0.0 || ry <= 0.0)
            return false;
        const double dx = (p.X - c.X) / rx, dy = (p.Y - c.Y) / ry;
        return dx * dx + dy * dy <= 1.0;
    }
    if (m_type != PolygonShape)
        return false;
    // Even-odd rule over all rings: a point inside a hole crosses two boundaries.
    bool inside = false;
    for (const QPolygonF &ring : m_parts)
        if (ringContains(ring, p.toPointF()))
            inside = !inside;
    return inside;
}

double MapShape::DistanceTo(const MapPoint &p) const
{
    if (Contains(p))
        return 0.0;
    const QPointF q = p.toPointF();
    if (m_type == EllipseShape || m_type == RectangleShape) {
        // Distance to the bounding box is close enough for picking.
        const double dx = std::max({m_extent.Left - p.X, 0.0, p.X - m_extent.Right});
        const double dy = std::max({m_extent.Bottom - p.Y, 0.0, p.Y - m_extent.Top});
        return std::hypot(dx, dy);
    }
    double best = std::numeric_limits<double>::infinity();
    const bool closed = m_type == PolygonShape;
    for (const QPolygonF &part : m_parts) {
        const qsizetype n = part.size();
        if (n == 1 || m_type == PointShape || m_type == MultiPointShape) {
            for (const QPointF &pt : part)
                best = std::min(best, std::hypot(pt.x() - q.x(), pt.y() - q.y()));
            continue;
        }
        for (qsizetype i = 0; i + 1 < n; ++i)
            best = std::min(best, segmentDistance(q, part[i], part[i + 1]));
        if (closed && n > 2)
            best = std::min(best, segmentDistance(q, part[n - 1], part[0]));
    }
    return best;
}
