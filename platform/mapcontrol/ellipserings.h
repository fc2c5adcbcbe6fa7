#pragma once

#include <QPainter>
#include <QPolygonF>
#include <QRectF>

#include <vector>

// Ellipses (the circles of a circle map) on a bitmap, drawn as polygons with as many
// vertices as their size in device pixels needs, and their outline as a filled ring.
//
// Qt draws an ellipse as four curves, flattened again for the fill and for the stroke, and
// strokes an outline wider than one device pixel by offsetting those curves: a map of many
// circles then costs several times as much at an export factor of 1.5 as at 1. Here the fill
// is one polygon and the outline the ring between the ellipses half an outline width outside
// and inside it, filled the same way: the circle is as round and smooth (antialiased edges),
// its outline as wide, and the cost grows with the pixels covered, not the factor.
class EllipseRings {
public:
    // Fills the ellipse in the box with the painter's brush and draws its outline with the
    // painter's pen (solid; cosmetic pens are one device pixel wide). deviceScale: device
    // pixels per painter unit.
    void draw(QPainter &painter, const QRectF &box, double deviceScale);

    // Vertices of a polygon close to an ellipse of the largest radius (device pixels): within
    // about a tenth of a pixel, 8 at least.
    static int vertexCount(double radius);

private:
    // The n vertices of the unit circle, made once for each n.
    const std::vector<QPointF> &unitCircle(int n);
    // Appends the polygon of the ellipse with the centre and radii to m_points.
    void appendEllipse(const QPointF &centre, double rx, double ry, int n);
    void fill(QPainter &painter, const QPointF &centre, double rx, double ry, int n,
              const QBrush &brush);

    QPolygonF m_points; // reused from one ellipse to the next
    std::vector<std::vector<QPointF>> m_unit; // unit circles by n / 4
};
