#pragma once

#include "contracts/mapshape.h"

#include <QPointF>

#include <cstdint>
#include <vector>

// The shapes of a layer in map units, packed: all vertices in one array, parts as ranges of
// it and shapes as ranges of parts, with each shape's bounding rectangle. A packed store
// keeps a layer of 100,000 regions in a few flat arrays instead of 100,000 allocations.
class ShapeStore {
public:
    // Appends one shape; parts are given as start offsets into xs/ys (count values each).
    // Both appends return false when a coordinate is not a finite number (NaN or infinite):
    // the shape is kept, and the caller refuses the layer.
    bool append(const double *xs, const double *ys, int vertexCount, const int *partStarts,
                int partCount);
    // Appends one shape whose vertices are packed little-endian x, y doubles (the layout of a
    // shapefile record); part starts must be ascending and within the vertex count.
    bool appendPacked(const unsigned char *xy, int vertexCount, const int *partStarts,
                      int partCount);
    void reserve(std::size_t shapes, std::size_t vertices);
    // Empties the store and keeps its arrays for the next shapes.
    void clear();

    int shapeCount() const { return int(m_bounds.size()); }
    std::size_t pointCount() const { return m_points.size(); }
    const MapRectangle &bounds(int shape) const { return m_bounds[shape]; }
    const std::vector<MapRectangle> &allBounds() const { return m_bounds; }

    int partBegin(int shape) const { return int(m_shapeParts[shape]); }
    int partEnd(int shape) const { return int(m_shapeParts[shape + 1]); }
    // Vertices of a part: [pointsBegin(part), pointsEnd(part)).
    const QPointF *pointsBegin(int part) const { return m_points.data() + m_partPoints[part]; }
    const QPointF *pointsEnd(int part) const { return m_points.data() + m_partPoints[part + 1]; }

    // The shape as a MapShape of the given kind (PolygonShape, LineShape, ...).
    MapShape shape(int shape, int kind) const;

    std::size_t memoryBytes() const;

private:
    bool closeShape(int vertexCount, const int *partStarts, int partCount);

    std::vector<QPointF> m_points;
    std::vector<std::uint32_t> m_partPoints{0};  // part -> first vertex; one extra at the end
    std::vector<std::uint32_t> m_shapeParts{0};  // shape -> first part; one extra at the end
    std::vector<MapRectangle> m_bounds;
};
