#include "platform/mapcontrol/ellipserings.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Largest distance (device pixels) between the polygon and the ellipse it stands for.
constexpr double kTolerance = 0.1;
constexpr int kMinVertices = 8;
constexpr int kMaxVertices = 1024;

} // namespace

int EllipseRings::vertexCount(double radius)
{
    // A regular polygon of n vertices is at most r (1 - cos(pi / n)) ~ r pi^2 / (2 n^2)
    // inside the circle of radius r. Multiples of 4, so that few unit circles are kept.
    if (!(radius > 0.0))
        return kMinVertices;
    const double n = std::numbers::pi * std::sqrt(radius / (2.0 * kTolerance));
    return int(std::clamp(std::ceil(n / 4.0) * 4.0, double(kMinVertices), double(kMaxVertices)));
}

const std::vector<QPointF> &EllipseRings::unitCircle(int n)
{
    const std::size_t slot = std::size_t(n / 4);
    if (m_unit.size() <= slot)
        m_unit.resize(slot + 1);
    std::vector<QPointF> &unit = m_unit[slot];
    if (unit.empty()) {
        const double step = 2.0 * std::numbers::pi / n;
        for (int i = 0; i < n; ++i)
            unit.emplace_back(std::cos(i * step), -std::sin(i * step));
    }
    return unit;
}

void EllipseRings::appendEllipse(const QPointF &centre, double rx, double ry, int n)
{
    for (const QPointF &u : unitCircle(n))
        m_points.append(QPointF(centre.x() + rx * u.x(), centre.y() + ry * u.y()));
}

void EllipseRings::fill(QPainter &painter, const QPointF &centre, double rx, double ry, int n,
                        const QBrush &brush)
{
    m_points.clear();
    appendEllipse(centre, rx, ry, n);
    painter.setBrush(brush);
    painter.drawPolygon(m_points);
}

void EllipseRings::draw(QPainter &painter, const QRectF &box, double deviceScale)
{
    const QRectF r = box.normalized();
    const QPointF c = r.center();
    const double rx = r.width() / 2.0, ry = r.height() / 2.0;
    const QPen pen = painter.pen();
    const QBrush brush = painter.brush();
    const bool outlined = pen.style() != Qt::NoPen;
    const double width = !outlined ? 0.0
                         : pen.isCosmetic() ? std::max(1.0, pen.widthF()) / deviceScale
                                            : pen.widthF();
    const double h = width / 2.0;
    const int n = vertexCount((std::max(rx, ry) + h) * deviceScale);
    painter.save();
    const bool filled = brush.style() != Qt::NoBrush;
    if (!outlined || width * deviceScale <= 1.0) {
        // A one-pixel outline goes through the cosmetic stroker with the fill: crisp.
        m_points.clear();
        appendEllipse(c, rx, ry, n);
        painter.drawPolygon(m_points);
        painter.restore();
        return;
    }
    painter.setPen(Qt::NoPen);
    if (outlined && filled && brush.style() == Qt::SolidPattern && brush.isOpaque()) {
        // An opaque fill inside the outline: the disc of the outline colour, then the fill
        // inside it.
        fill(painter, c, rx + h, ry + h, n, pen.brush());
        if (rx > h && ry > h)
            fill(painter, c, rx - h, ry - h, n, brush);
    } else {
        if (filled)
            fill(painter, c, rx, ry, n, brush);
        if (outlined) {
            // The ring: the outer ellipse, then the inner one, joined by an edge drawn there
            // and back, which cancels out under the odd-even rule.
            m_points.clear();
            appendEllipse(c, rx + h, ry + h, n);
            m_points.append(m_points.first());
            const qsizetype inner = m_points.size();
            if (rx > h && ry > h) {
                appendEllipse(c, rx - h, ry - h, n);
                m_points.append(m_points[inner]);
            }
            painter.setBrush(pen.brush());
            painter.drawPolygon(m_points, Qt::OddEvenFill);
        }
    }
    painter.restore();
}
