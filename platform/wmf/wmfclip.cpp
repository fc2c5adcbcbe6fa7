#include "platform/wmf/wmfclip.h"

#include <functional>

namespace wmfclip {

namespace {

// One half-plane of the box: inside test and the crossing of a segment with its border.
struct Edge {
    std::function<bool(const QPointF &)> inside;
    std::function<QPointF(const QPointF &, const QPointF &)> cross;
};

QList<Edge> boxEdges(const QRectF &box)
{
    auto atX = [](qreal x) {
        return [x](const QPointF &a, const QPointF &b) {
            return QPointF(x, a.y() + (b.y() - a.y()) * (x - a.x()) / (b.x() - a.x()));
        };
    };
    auto atY = [](qreal y) {
        return [y](const QPointF &a, const QPointF &b) {
            return QPointF(a.x() + (b.x() - a.x()) * (y - a.y()) / (b.y() - a.y()), y);
        };
    };
    const qreal l = box.left(), r = box.right(), t = box.top(), b = box.bottom();
    return {{[l](const QPointF &p) { return p.x() >= l; }, atX(l)},
            {[r](const QPointF &p) { return p.x() <= r; }, atX(r)},
            {[t](const QPointF &p) { return p.y() >= t; }, atY(t)},
            {[b](const QPointF &p) { return p.y() <= b; }, atY(b)}};
}

} // namespace

QPolygonF clipRing(const QPolygonF &ring, const QRectF &box)
{
    if (box.contains(ring.boundingRect()))
        return ring;
    QPolygonF current = ring;
    for (const Edge &edge : boxEdges(box)) {
        if (current.isEmpty())
            break;
        QPolygonF next;
        QPointF previous = current.last();
        bool previousInside = edge.inside(previous);
        for (const QPointF &point : std::as_const(current)) {
            const bool inside = edge.inside(point);
            if (inside != previousInside)
                next.append(edge.cross(previous, point));
            if (inside)
                next.append(point);
            previous = point;
            previousInside = inside;
        }
        current = next;
    }
    return current;
}

QList<QPolygonF> clipLine(const QPolygonF &line, const QRectF &box)
{
    if (box.contains(line.boundingRect()))
        return {line};
    // Each segment is cut against all four edges (Liang-Barsky); consecutive visible
    // segments join into one piece.
    QList<QPolygonF> pieces;
    QPolygonF piece;
    for (qsizetype i = 1; i < line.size(); ++i) {
        const QPointF a = line[i - 1], d = line[i] - line[i - 1];
        qreal t0 = 0, t1 = 1;
        const qreal p[4] = {-d.x(), d.x(), -d.y(), d.y()};
        const qreal q[4] = {a.x() - box.left(), box.right() - a.x(), a.y() - box.top(),
                            box.bottom() - a.y()};
        bool visible = true;
        for (int k = 0; k < 4 && visible; ++k) {
            if (p[k] == 0) {
                visible = q[k] >= 0;
            } else {
                const qreal t = q[k] / p[k];
                if (p[k] < 0)
                    t0 = std::max(t0, t);
                else
                    t1 = std::min(t1, t);
                visible = t0 <= t1;
            }
        }
        if (!visible) {
            if (piece.size() > 1)
                pieces.append(piece);
            piece.clear();
            continue;
        }
        const QPointF from = a + d * t0, to = a + d * t1;
        if (piece.isEmpty() || piece.last() != from) {
            if (piece.size() > 1)
                pieces.append(piece);
            piece = QPolygonF{from};
        }
        piece.append(to);
    }
    if (piece.size() > 1)
        pieces.append(piece);
    return pieces;
}

} // namespace wmfclip
