#pragma once

#include <QPointF>
#include <QPolygonF>

#include <vector>

// The point of an area farthest from its edges (the pole of inaccessibility): where a label
// sits well inside a region. The centroid lies outside many real regions (a C-shaped county,
// a region around a lake), the pole never does.
struct PolePoint {
    QPointF point;
    double distance = 0.0; // to the nearest edge; 0 for an area without inside
};

// The rings of the largest part of an area: its largest outer ring (by area) and the holes
// lying in it. Rings may come in any orientation; a ring inside an odd number of others is a
// hole.
std::vector<QPolygonF> LargestPart(const std::vector<QPolygonF> &rings);

// The pole of the area the rings enclose (even-odd), to within precision (in the rings'
// units): a quadtree search over the rings' bounding box that splits only the cells that may
// still hold a point farther inside than the best one found.
PolePoint PoleOfInaccessibility(const std::vector<QPolygonF> &rings, double precision);

// Signed distance from p to the edges of the rings: positive inside (even-odd), negative
// outside.
double SignedRingDistance(const QPointF &p, const std::vector<QPolygonF> &rings);

// Whether p lies inside the rings (even-odd).
bool InsideRings(const QPointF &p, const std::vector<QPolygonF> &rings);

// Twice the signed area of the ring (positive when counter-clockwise with y up).
double RingArea2(const QPolygonF &ring);
