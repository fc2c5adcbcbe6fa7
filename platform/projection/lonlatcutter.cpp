#include "platform/projection/lonlatcutter.h"

#include <algorithm>
#include <cmath>

namespace {

// Longitudes relative to the centre, in [-180, 180).
double wrap(double d)
{
    if (d >= 180.0 || d < -180.0)
        d -= 360.0 * std::floor((d + 180.0) / 360.0);
    return d;
}

// Sutherland-Hodgman against one vertical edge: keeps x >= edge (keepAbove) or x <= edge.
// Concave rings may come out with edges running along the cut; they enclose no area.
void clipAt(const std::vector<QPointF> &in, double edge, bool keepAbove, std::vector<QPointF> &out)
{
    out.clear();
    const std::size_t n = in.size();
    if (n == 0)
        return;
    auto inside = [&](const QPointF &p) { return keepAbove ? p.x() >= edge : p.x() <= edge; };
    QPointF previous = in[n - 1];
    bool previousInside = inside(previous);
    for (const QPointF &current : in) {
        const bool currentInside = inside(current);
        if (currentInside != previousInside) {
            const double t = (edge - previous.x()) / (current.x() - previous.x());
            out.emplace_back(edge, previous.y() + t * (current.y() - previous.y()));
        }
        if (currentInside)
            out.push_back(current);
        previous = current;
        previousInside = currentInside;
    }
}

// Whether the edge a -> b gets vertices between (its longer side is longer than step).
bool longerThanStep(const QPointF &a, const QPointF &b, double step)
{
    const double length = std::max(std::abs(b.x() - a.x()), std::abs(b.y() - a.y()));
    return length > step && std::isfinite(length);
}

// Vertices every step along the edge a -> b (b itself not added).
void addEdge(const QPointF &a, const QPointF &b, double step, std::vector<QPointF> &points)
{
    points.push_back(a);
    if (!longerThanStep(a, b, step))
        return;
    const double length = std::max(std::abs(b.x() - a.x()), std::abs(b.y() - a.y()));
    const int pieces = int(std::min(std::ceil(length / step), 1e6));
    for (int i = 1; i < pieces; ++i) {
        const double t = double(i) / pieces;
        points.emplace_back(a.x() + t * (b.x() - a.x()), a.y() + t * (b.y() - a.y()));
    }
}

} // namespace

void LonLatCutter::unwrap(const QPointF *p, int n)
{
    m_unwrapped.resize(std::size_t(n));
    double previous = wrap(p[0].x() - m_lon0);
    m_unwrapped[0] = QPointF(previous, p[0].y());
    for (int i = 1; i < n; ++i) {
        const double lon = wrap(p[i].x() - m_lon0);
        previous += wrap(lon - wrap(previous));
        m_unwrapped[std::size_t(i)] = QPointF(previous, p[i].y());
    }
}

void LonLatCutter::addRing(const QPointF *ring, int n, ShapeParts &out)
{
    if (n <= 0)
        return;
    unwrap(ring, n);
    std::vector<QPointF> &u = m_unwrapped;
    if (u.front() != u.back() && std::abs(u.front().x() - u.back().x()) < 180.0)
        u.push_back(u.front());
    // A ring that goes round the pole ends a whole turn east or west of where it began: it
    // is closed along the pole on the side of the globe where it lies.
    const double turn = u.back().x() - u.front().x();
    if (std::abs(turn) >= 180.0) {
        double latitudes = 0.0;
        for (const QPointF &p : u)
            latitudes += p.y();
        const double pole = latitudes < 0.0 ? -90.0 : 90.0;
        const QPointF first = u.front();
        const double end = u.back().x();
        u.emplace_back(end, pole);
        u.emplace_back(first.x(), pole);
        u.push_back(first);
    }
    emitClipped(u, out);
}

// The unwrapped ring, cut into the 360-degree strips it covers, each moved back to lon0 ± 180.
void LonLatCutter::emitClipped(const std::vector<QPointF> &ring, ShapeParts &out)
{
    double low = ring.front().x(), high = low;
    for (const QPointF &p : ring) {
        low = std::min(low, p.x());
        high = std::max(high, p.x());
    }
    if (low >= -180.0 && high <= 180.0) {
        emitDensified(ring, 0.0, true, out);
        return;
    }
    const int first = int(std::floor((low + 180.0) / 360.0));
    const int last = int(std::floor((high + 180.0) / 360.0));
    for (int k = first; k <= last && k - first < 8; ++k) {
        const double left = -180.0 + 360.0 * k;
        clipAt(ring, left, true, m_work);
        clipAt(m_work, left + 360.0, false, m_clip);
        if (m_clip.size() < 3)
            continue;
        m_clip.push_back(m_clip.front());
        emitDensified(m_clip, -360.0 * k, true, out);
    }
}

void LonLatCutter::emitDensified(const std::vector<QPointF> &ring, double shift, bool closed,
                                 ShapeParts &out)
{
    const std::size_t begin = out.points.size();
    // Mostly no edge is long enough to be densified: the ring is then taken as it is.
    bool shortEdges = true;
    for (std::size_t i = 0; shortEdges && i + 1 < ring.size(); ++i)
        shortEdges = !longerThanStep(ring[i], ring[i + 1], m_step);
    if (shortEdges) {
        out.points.insert(out.points.end(), ring.begin(), ring.end());
    } else {
        for (std::size_t i = 0; i + 1 < ring.size(); ++i)
            addEdge(ring[i], ring[i + 1], m_step, out.points);
        out.points.push_back(ring.back());
    }
    // Points on the cut stay just inside it, so that each lands on its own side of the map.
    constexpr double edge = 180.0 - 1e-9;
    for (std::size_t i = begin; i < out.points.size(); ++i) {
        QPointF &p = out.points[i];
        p.setX(std::clamp(p.x() + shift, -edge, edge) + m_lon0);
    }
    if (closed && out.points.size() - begin < 4)
        out.dropOpenPart();
    else
        out.endPart();
}

void LonLatCutter::addLine(const QPointF *line, int n, ShapeParts &out)
{
    if (n <= 0)
        return;
    unwrap(line, n);
    // Pieces of the line within one strip each; a crossing ends one piece at the cut and
    // begins the next on the other side.
    m_work.clear();
    auto strip = [](double x) { return int(std::floor((x + 180.0) / 360.0)); };
    int current = strip(m_unwrapped[0].x());
    m_work.push_back(m_unwrapped[0]);
    for (std::size_t i = 1; i < m_unwrapped.size(); ++i) {
        const QPointF a = m_unwrapped[i - 1], b = m_unwrapped[i];
        const int next = strip(b.x());
        while (next != current) {
            const double cut = -180.0 + 360.0 * (next > current ? current + 1 : current);
            const double t = (cut - a.x()) / (b.x() - a.x());
            const QPointF at(cut, a.y() + t * (b.y() - a.y()));
            m_work.push_back(at);
            emitDensified(m_work, -360.0 * current, false, out);
            current += next > current ? 1 : -1;
            m_work.assign(1, at);
        }
        m_work.push_back(b);
    }
    if (m_work.size() >= 2)
        emitDensified(m_work, -360.0 * current, false, out);
}

void densifyPart(const QPointF *p, int n, double step, ShapeParts &out)
{
    for (int i = 0; i + 1 < n; ++i)
        addEdge(p[i], p[i + 1], step, out.points);
    if (n > 0)
        out.points.push_back(p[n - 1]);
    out.endPart();
}
