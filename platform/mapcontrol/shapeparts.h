#pragma once

#include <QPointF>

#include <cstdint>
#include <vector>

// Shapes as flat arrays, built part by part: what is written into a shape file (the
// projection's and the vector-file copy's). All vertices of all shapes in one array, so that
// a whole batch can be moved or written at once.
struct ShapeParts {
    std::vector<QPointF> points;
    std::vector<std::uint32_t> partStart{0};  // part -> first vertex; one extra at the end
    std::vector<std::uint32_t> shapeStart{0}; // shape -> first part; one extra at the end

    int shapeCount() const { return int(shapeStart.size()) - 1; }
    void endPart() { partStart.push_back(std::uint32_t(points.size())); }
    void endShape() { shapeStart.push_back(std::uint32_t(partStart.size() - 1)); }
    // Drops the vertices added since the last endPart().
    void dropOpenPart() { points.resize(partStart.back()); }
};
