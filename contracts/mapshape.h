#pragma once

#include "contracts/mapgeometry.h"

#include <QList>
#include <QMetaType>
#include <QPolygonF>

// Kinds of shapes. Lines, areas and point sets have an extent that can be zoomed to.
enum MapShapeType : int {
    NullShape = 0,
    PointShape = 21,
    LineShape = 22,
    PolygonShape = 23,
    MultiPointShape = 24,
    RectangleShape = 25,
    EllipseShape = 26,
};

// One shape in map units: the parts of a line or polygon (rings of a polygon: outer rings
// and holes, in any orientation), the points of a point set, or a rectangle or ellipse given
// by its bounding rectangle.
class MapShape {
public:
    MapShape() = default;
    static MapShape Polygon(QList<QPolygonF> rings);
    static MapShape Line(QList<QPolygonF> parts);
    static MapShape Point(const MapPoint &p);
    static MapShape MultiPoint(const QPolygonF &points);
    static MapShape Rectangle(const MapRectangle &r);
    static MapShape Ellipse(const MapRectangle &bounds);

    int ShapeType() const { return m_type; }
    bool IsNull() const { return m_type == NullShape; }
    MapRectangle Extent() const { return m_extent; }
    const QList<QPolygonF> &Parts() const { return m_parts; }

    // Area in square map units: rings are summed with holes subtracted (a ring lying inside
    // another counts against it by its orientation, as in shapefiles); 0 for lines and points.
    double Area() const;
    // The area-weighted centre of a polygon (holes and several parts taken into account),
    // the centre of a rectangle or ellipse, the mean of points, the middle of a line's extent.
    MapPoint Centroid() const;
    // True when the point lies inside the area (holes excluded).
    bool Contains(const MapPoint &p) const;
    // Distance in map units from the point to the shape: 0 inside an area.
    double DistanceTo(const MapPoint &p) const;

private:
    MapShape(int type, QList<QPolygonF> parts);
    int m_type = NullShape;
    QList<QPolygonF> m_parts;
    MapRectangle m_extent;
};

Q_DECLARE_METATYPE(MapShape)
