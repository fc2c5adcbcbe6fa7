#pragma once

#include "contracts/mapstatistics.h"

#include <QList>
#include <QString>

#include <cstdint>

class ClassBreaksRenderer;
class MapLayer;

// The rows of the class grid, as numbers, and the region counts per row. No widgets.

// One class row: lower and upper limit as the grid shows them (rounded to the decimals shown),
// and whether each is shown without decimals.
struct GridRow {
    double lower = 0.0;
    double upper = 0.0;
    bool lowerWhole = false;
    bool upperWhole = false;
};

// The class rows of a renderer: one per data class, lowest first, as the map paints them (a
// value on a break in the lower class). Row i ends at the highest number with numDecimals
// decimals not above break i and starts the smallest step above the end of row i - 1; the
// first row starts at the lower of minValue and the data minimum, the last row ends at the
// higher of maxValue and the data maximum. A renderer with fewer than 3 breaks gives one row
// 0 to 0 (and no counts are made).
QList<GridRow> GridRows(const ClassBreaksRenderer &renderer, const MapStatistics &statistics,
                        double minValue, double maxValue, int numDecimals);

// True when the rows are the single placeholder row of a renderer with fewer than 3 breaks.
bool IsPlaceholderGrid(const ClassBreaksRenderer &renderer);

// Region counts per class: walking the regions with data in ascending order, class i takes
// the regions whose value is not above upperLimits[i] and above the previous class's limit.
// Counts are 64-bit. Empty when the layer cannot select the regions.
QList<qint64> CountClasses(MapLayer &layer, const QString &field, std::int32_t nullValue,
                           const QList<double> &upperLimits);

// Region counts of the data classes 1 .. BreakCount of renderer as the map paints them: each
// region with data (above nullValue) counts in the class whose symbol draws it. Empty when
// the layer cannot select the regions.
QList<qint64> CountPaintedClasses(MapLayer &layer, const ClassBreaksRenderer &renderer,
                                  const QString &field, std::int32_t nullValue);

// count as a share of total in per cent, rounded to one decimal (halves to even); 0 when
// total is 0.
double ClassPercent(qint64 count, qint64 total);
