#pragma once

#include <QList>
#include <QPolygonF>
#include <QRectF>

// Metafile coordinates are 16-bit, so shapes reaching beyond the picture are cut to its box
// before they are written; inside the box nothing changes.
namespace wmfclip {

// A closed ring cut to the box (Sutherland-Hodgman, one edge of the box at a time). The
// winding of every point inside the box is kept, so alternate and winding fills stay right;
// the cut runs along the border of the box. Empty when nothing is left.
QPolygonF clipRing(const QPolygonF &ring, const QRectF &box);

// An open line cut to the box: the pieces that lie inside it.
QList<QPolygonF> clipLine(const QPolygonF &line, const QRectF &box);

} // namespace wmfclip
