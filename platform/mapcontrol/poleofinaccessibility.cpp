#include "platform/mapcontrol/poleofinaccessibility.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <queue>

namespace {

// Cells the search looks at before it settles for the best point found: a bound for
// degenerate rings (millions of vertices on one spot); real regions need a few hundred.
constexpr int kMostCells = 20000;
// The first cells are squares of the box's shorter side, but no fewer than 1/kMostStartCells
// of its longer side: a long thin box then starts with a bounded row of cells.
constexpr double kMostStartCells = 256.0;

QRectF ringsBox(const std::vector<QPolygonF> &rings)
{
    double x0 = std::numeric_limits<double>::max(), y0 = x0;
    double x1 = std::numeric_limits<double>::lowest(), y1 = x1;
    for (const QPolygonF &ring : rings)
        for (const QPointF &p : ring) {
            x0 = std::min(x0, p.x());
            x1 = std::max(x1, p.x());
            y0 = std::min(y0, p.y());
            y1 = std::max(y1, p.y());
        }
    return x1 >= x0 ? QRectF(QPointF(x0, y0), QPointF(x1, y1)) : QRectF();
}

double segmentDistance2(const QPointF &p, const QPointF &a, const QPointF &b)
{
    double x = a.x(), y = a.y();
    double dx = b.x() - x, dy = b.y() - y;
    if (dx != 0.0 || dy != 0.0) {
        const double t = ((p.x() - x) * dx + (p.y() - y) * dy) / (dx * dx + dy * dy);
        if (t > 1.0) {
            x = b.x();
            y = b.y();
        } else if (t > 0.0) {
            x += dx * t;
            y += dy * t;
        }
    }
    dx = p.x() - x;
    dy = p.y() - y;
    return dx * dx + dy * dy;
}

// Whether the ray from p to the right crosses the edge a-b (even-odd counting).
inline bool crosses(const QPointF &p, const QPointF &a, const QPointF &b)
{
    return (a.y() > p.y()) != (b.y() > p.y())
           && p.x() < (b.x() - a.x()) * (p.y() - a.y()) / (b.y() - a.y()) + a.x();
}

struct Cell {
    QPointF centre;
    double half;     // half the cell's side
    double distance; // signed distance of the centre to the edges
    double reach;    // the largest distance a point of the cell may have
    Cell(const QPointF &c, double h, const std::vector<QPolygonF> &rings)
        : centre(c), half(h), distance(SignedRingDistance(c, rings)),
          reach(distance + h * std::sqrt(2.0))
    {
    }
    bool operator<(const Cell &other) const { return reach < other.reach; }
};

// The area-weighted centre of the first ring: a good first guess for round regions.
QPointF ringCentroid(const QPolygonF &ring, const QPointF &fallback)
{
    double a = 0.0, x = 0.0, y = 0.0;
    for (qsizetype i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
        const QPointF &p = ring[i], &q = ring[j];
        const double f = p.x() * q.y() - q.x() * p.y();
        x += (p.x() + q.x()) * f;
        y += (p.y() + q.y()) * f;
        a += f * 3.0;
    }
    return a != 0.0 ? QPointF(x / a, y / a) : fallback;
}

} // namespace

double RingArea2(const QPolygonF &ring)
{
    double a = 0.0;
    for (qsizetype i = 0, j = ring.size() - 1; i < ring.size(); j = i++)
        a += (ring[j].x() - ring[i].x()) * (ring[j].y() + ring[i].y());
    return a;
}

bool InsideRings(const QPointF &p, const std::vector<QPolygonF> &rings)
{
    bool inside = false;
    for (const QPolygonF &ring : rings)
        for (qsizetype i = 0, j = ring.size() - 1; i < ring.size(); j = i++)
            if (crosses(p, ring[i], ring[j]))
                inside = !inside;
    return inside;
}

double SignedRingDistance(const QPointF &p, const std::vector<QPolygonF> &rings)
{
    bool inside = false;
    double least = std::numeric_limits<double>::infinity();
    for (const QPolygonF &ring : rings)
        for (qsizetype i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
            if (crosses(p, ring[i], ring[j]))
                inside = !inside;
            least = std::min(least, segmentDistance2(p, ring[i], ring[j]));
        }
    if (!std::isfinite(least))
        return 0.0;
    return (inside ? 1.0 : -1.0) * std::sqrt(least);
}

std::vector<QPolygonF> LargestPart(const std::vector<QPolygonF> &rings)
{
    if (rings.size() <= 1)
        return rings;
    std::vector<QRectF> boxes;
    boxes.reserve(rings.size());
    for (const QPolygonF &ring : rings)
        boxes.push_back(ring.boundingRect());
    // A ring whose first vertex lies inside an odd number of other rings is a hole.
    auto within = [&](std::size_t i, std::size_t j) {
        return !rings[i].isEmpty() && boxes[j].contains(rings[i].first())
               && InsideRings(rings[i].first(), {rings[j]});
    };
    std::vector<char> hole(rings.size(), 0);
    for (std::size_t i = 0; i < rings.size(); ++i) {
        int around = 0;
        for (std::size_t j = 0; j < rings.size(); ++j)
            if (j != i && within(i, j))
                ++around;
        hole[i] = around % 2;
    }
    std::size_t largest = rings.size();
    double largestArea = -1.0;
    for (std::size_t i = 0; i < rings.size(); ++i) {
        const double area = std::abs(RingArea2(rings[i]));
        if (!hole[i] && area > largestArea) {
            largest = i;
            largestArea = area;
        }
    }
    if (largest == rings.size())
        return rings;
    std::vector<QPolygonF> part{rings[largest]};
    for (std::size_t i = 0; i < rings.size(); ++i)
        if (hole[i] && within(i, largest))
            part.push_back(rings[i]);
    return part;
}

PolePoint PoleOfInaccessibility(const std::vector<QPolygonF> &rings, double precision)
{
    const QRectF box = ringsBox(rings);
    if (box.isNull() && rings.empty())
        return {};
    const double side = std::max(std::min(box.width(), box.height()),
                                 std::max(box.width(), box.height()) / kMostStartCells);
    if (!(side > 0.0))
        return {box.center(), 0.0};
    precision = std::max(precision, side * 1e-9);

    std::priority_queue<Cell> cells;
    const double half = side / 2.0;
    for (double x = box.left(); x < box.right(); x += side)
        for (double y = box.top(); y < box.bottom(); y += side)
            cells.emplace(QPointF(x + half, y + half), half, rings);
    Cell best(ringCentroid(rings.front(), box.center()), 0.0, rings);
    const Cell middle(box.center(), 0.0, rings);
    if (middle.distance > best.distance)
        best = middle;
    int looked = 0;
    while (!cells.empty() && looked < kMostCells) {
        const Cell cell = cells.top();
        cells.pop();
        ++looked;
        if (cell.distance > best.distance)
            best = cell;
        // The queue is ordered by reach: no cell left can beat the best by the precision.
        if (cell.reach - best.distance <= precision)
            break;
        const double h = cell.half / 2.0;
        for (const QPointF &d : {QPointF(-h, -h), QPointF(h, -h), QPointF(-h, h), QPointF(h, h)})
            cells.emplace(cell.centre + d, h, rings);
    }
    return {best.centre, std::max(0.0, best.distance)};
}
