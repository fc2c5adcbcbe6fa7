#include "platform/mapcontrol/spatialgrid.h"

#include <algorithm>
#include <cmath>

void SpatialGrid::build(const std::vector<MapRectangle> &bounds, const MapRectangle &extent)
{
    m_bounds = &bounds;
    m_extent = extent;
    const double n = std::max<double>(1.0, double(bounds.size()));
    const double w = std::max(extent.Width(), 1e-12), h = std::max(extent.Height(), 1e-12);
    // Cells close to square, about as many as shapes.
    // Clamped as doubles: an extent of +-1e308 has an infinite width.
    const double cols = std::ceil(std::sqrt(n * w / h));
    m_cols = cols >= 1.0 ? int(std::min(cols, 4096.0)) : 1;
    m_rows = std::clamp(int(std::ceil(n / m_cols)), 1, 4096);

    // Two passes (count, then fill) keep the grid in two flat arrays.
    std::vector<std::uint32_t> counts(std::size_t(m_cols) * m_rows + 1, 0);
    auto forCells = [this](const MapRectangle &b, auto &&fn) {
        const int x0 = cellX(b.Left), x1 = cellX(b.Right);
        const int y0 = cellY(b.Bottom), y1 = cellY(b.Top);
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                fn(std::size_t(y) * m_cols + x);
    };
    for (const MapRectangle &b : bounds)
        forCells(b, [&](std::size_t c) { ++counts[c + 1]; });
    for (std::size_t c = 1; c < counts.size(); ++c)
        counts[c] += counts[c - 1];
    m_cellStart = counts;
    m_entries.assign(counts.back(), 0);
    for (std::size_t s = 0; s < bounds.size(); ++s)
        forCells(bounds[s], [&](std::size_t c) { m_entries[counts[c]++] = std::uint32_t(s); });
}

namespace {

// The cell of the fraction t of the extent among count cells. Clamped while still a double:
// a coordinate far outside the extent, or an extent so wide that its width overflows to
// infinity, gives a fraction beyond any int (or not a number).
int cellOf(double t, int count)
{
    const double cell = t * count;
    if (!(cell > 0.0)) // also NaN
        return 0;
    return cell >= count - 1 ? count - 1 : int(cell);
}

} // namespace

int SpatialGrid::cellX(double x) const
{
    return cellOf((x - m_extent.Left) / std::max(m_extent.Width(), 1e-12), m_cols);
}

int SpatialGrid::cellY(double y) const
{
    return cellOf((y - m_extent.Bottom) / std::max(m_extent.Height(), 1e-12), m_rows);
}

std::vector<int> SpatialGrid::query(const MapRectangle &area) const
{
    std::vector<int> hits;
    if (!m_bounds || m_cols == 0 || !area.Intersects(m_extent))
        return hits;
    const int x0 = cellX(area.Left), x1 = cellX(area.Right);
    const int y0 = cellY(area.Bottom), y1 = cellY(area.Top);
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const std::size_t c = std::size_t(y) * m_cols + x;
            for (std::uint32_t e = m_cellStart[c]; e < m_cellStart[c + 1]; ++e)
                if ((*m_bounds)[m_entries[e]].Intersects(area))
                    hits.push_back(int(m_entries[e]));
        }
    std::sort(hits.begin(), hits.end());
    hits.erase(std::unique(hits.begin(), hits.end()), hits.end());
    return hits;
}
