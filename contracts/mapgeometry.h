#pragma once

#include <QPointF>
#include <QRectF>

// Points and rectangles of the map control, in map units. The y axis points north: Top is
// the larger y value, Bottom the smaller.

struct MapPoint {
    double X = 0.0;
    double Y = 0.0;

    QPointF toPointF() const { return {X, Y}; }
    static MapPoint fromPointF(const QPointF &p) { return {p.x(), p.y()}; }
    bool operator==(const MapPoint &) const = default;
};

class MapRectangle {
public:
    MapRectangle() = default;
    MapRectangle(double left, double right, double bottom, double top);

    double Left = 0.0;
    double Right = 0.0;
    double Bottom = 0.0;
    double Top = 0.0;

    double Width() const { return Right - Left; }
    double Height() const { return Top - Bottom; }
    MapPoint Center() const { return {(Left + Right) / 2.0, (Bottom + Top) / 2.0}; }

    // The rectangle scaled about its centre: a factor above 1 shows more, below 1 less.
    MapRectangle ScaleRectangle(double factor) const;

    // True when width or height is zero or negative (also for a default rectangle).
    bool IsEmpty() const { return !(Right > Left) || !(Top > Bottom); }
    bool Intersects(const MapRectangle &other) const;
    bool Contains(const MapPoint &p) const;
    // The smallest rectangle holding both; an empty rectangle adds nothing.
    MapRectangle United(const MapRectangle &other) const;
    // The rectangle grown by d map units on every side.
    MapRectangle Adjusted(double d) const;

    bool operator==(const MapRectangle &) const = default;
};
