#pragma once

#include "contracts/mapgeometry.h"

#include <cstdint>
#include <vector>

// A uniform grid over a layer's extent for finding the shapes whose bounding rectangles meet
// a query rectangle. About one shape per cell on average; a shape is listed in every cell
// its rectangle touches.
class SpatialGrid {
public:
    void build(const std::vector<MapRectangle> &bounds, const MapRectangle &extent);
    // Shapes whose rectangles meet the query, each once, in ascending order.
    std::vector<int> query(const MapRectangle &area) const;

private:
    int cellX(double x) const;
    int cellY(double y) const;

    MapRectangle m_extent;
    int m_cols = 0;
    int m_rows = 0;
    std::vector<std::uint32_t> m_cellStart; // cell -> first entry; one extra at the end
    std::vector<std::uint32_t> m_entries;   // shape numbers, grouped by cell
    const std::vector<MapRectangle> *m_bounds = nullptr;
};
