#include "bandwise/breakcompute.h"

#include "bandwise/databreaks.h"
#include "contracts/maplayer.h"
#include "contracts/runtimeerror.h"

#include <cmath>

namespace {

const QString Source = QStringLiteral("Bandwise");

QString orderBy(const QString &field) { return QStringLiteral(" order by ") + field; }

// Selects the records of expression and computes the statistics of the field over them.
MapStatistics selectWithStatistics(const BreakInput &input, const QString &expression,
                                   std::unique_ptr<MapRecordset> &records) {
    records = input.layer->SearchExpression(expression);
    const auto stats = records ? records->CalculateStatistics(input.field)
                               : std::optional<MapStatistics>();
    if (!stats)
        throw RunTimeError(13,
                           QStringLiteral("Type mismatch: no statistics of %1 (%2)")
                               .arg(input.field, input.layer->LastError()),
                           Source);
    return *stats;
}

QString dataExpression(const BreakInput &input) {
    return input.field + QStringLiteral(" > ") + QString::number(input.nullValue);
}

double value(const MapRecordset &records, const QString &field) {
    return records.Value(field).toDouble();
}

void moveForward(MapRecordset &records, long long steps) {
    for (long long i = 0; i < steps && !records.AtEnd(); ++i)
        records.MoveNext();
}

long long roundedStep(long long count, long long classes) {
    return static_cast<long long>(std::nearbyint(double(count) / double(classes)));
}

} // namespace

double SmallestStep(int numDecimals) {
    return numDecimals > 0 ? std::pow(10.0, -numDecimals) : 1.0;
}

double RoundToDecimals(double value, int decimals) {
    if (decimals <= 0)
        return std::nearbyint(value);
    const double scale = std::pow(10.0, decimals);
    const double rounded = std::nearbyint(value * scale) / scale;
    return std::isfinite(rounded) ? rounded : value;
}

QString AboveExpression(const QString &field, double value) {
    return field + QStringLiteral(" > ") + QString::number(value, 'g', 17);
}

BreakResult EqualIntervalBreaks(const BreakInput &input, int breakCount) {
    std::unique_ptr<MapRecordset> records;
    const MapStatistics stats = selectWithStatistics(input, dataExpression(input), records);
    if (stats.Count == 0)
        throw RunTimeError(5, QStringLiteral("No region has data in %1").arg(input.field),
                           Source);
    BreakResult result;
    const double width = (stats.Max - stats.Min) / double(breakCount + 1);
    for (int d = 1; d <= breakCount; ++d)
        result.breaks.append(stats.Min + d * width);
    result.maxValue = stats.Max;
    result.minValue = stats.Min;
    return result;
}

// Walks the regions with data in ascending order, taking the value every step records as a
// break. A step that lands on the value it started from (a run of equal values longer than a
// class) selects the records above that value anew and divides them into the classes still
// to find; at the very start such a run gives the break at its value, or the minimum + 1 when
// the run is at the minimum.
BreakResult QuantileBreaks(const BreakInput &input, int &breakCount) {
    const QString order = orderBy(input.field);
    std::unique_ptr<MapRecordset> records;
    MapStatistics stats = selectWithStatistics(input, dataExpression(input) + order, records);
    BreakResult result;
    result.maxValue = stats.Max;
    result.minValue = stats.Min;
    double minimum = stats.Min;
    long long count = stats.Count;
    if (records->AtEnd())
        return result;

    QList<double> &breaks = result.breaks;
    const int wanted = breakCount;
    records->MoveFirst();
    double previous = value(*records, input.field);
    double current = previous;
    long long remaining = wanted;
    long long step = roundedStep(count, wanted + 1);
    if (step == 0)
        step = 1;
    for (long long j = 0; j <= remaining - 1;) {
        moveForward(*records, step);
        const bool atEnd = records->AtEnd();
        if (!atEnd)
            current = value(*records, input.field);
        if (!atEnd && current == previous) {
            if (j == 0)
                breaks.append(current == minimum ? minimum + 1 : current);
            stats = selectWithStatistics(input, AboveExpression(input.field, current) + order,
                                         records);
            minimum = stats.Min;
            count = stats.Count;
            remaining = wanted - breaks.size();
            step = roundedStep(count, remaining + 1);
            j = 0;
        } else {
            if (!atEnd) {
                if (breaks.isEmpty())
                    breaks.append(current);
                else if (current <= breaks.last())
                    breaks.append(breaks.last() + 1);
                else
                    breaks.append(current);
            }
            ++j;
        }
        previous = current;
    }

    if (breaks.size() < breakCount)
        breakCount = int(breaks.size());
    if (breaks.isEmpty()) {
        breaks.append(result.maxValue);
        breakCount = 1;
    }
    if (breaks.last() > result.maxValue)
        result.maxValue = breaks.last();
    return result;
}

// Like the quantiles, breakCount becomes the number of breaks found and, without any, the
// maximum is the only break (one class); without a region with data there is no break and
// breakCount stays.
BreakResult DataTypeBreaks(int classType, const BreakInput &input, int &breakCount) {
    std::unique_ptr<MapRecordset> records;
    const MapStatistics stats = selectWithStatistics(input, dataExpression(input), records);
    BreakResult result;
    result.maxValue = stats.Max;
    result.minValue = stats.Min;
    if (stats.Count == 0)
        return result;
    result.breaks =
        BreaksOverData(classType, *records, stats, input.field, breakCount, input.maxClasses);
    breakCount = int(result.breaks.size());
    if (result.breaks.isEmpty()) {
        result.breaks.append(result.maxValue);
        breakCount = 1;
    }
    return result;
}

// The limits typed into the grid: break d is the upper limit of class row d, at the decimals
// of the limits. Asked for more breaks than the grid has rows, the
// extra breaks follow the upper limit of the second-last row in whole steps, capped by the
// last row's upper limit.
BreakResult CustomBreaks(const BreakInput &input, int &breakCount) {
    BreakResult result;
    result.minValue = input.minValue;
    result.maxValue = input.maxValue;
    const QList<ClassLimits> &grid = input.grid;
    if (grid.isEmpty())
        throw RunTimeError(9, QStringLiteral("Subscript out of range: no class limits"), Source);
    const qsizetype rows = grid.size();
    if (breakCount > 1) {
        double extra = 1;
        for (int d = 1; d <= breakCount; ++d) {
            if (d >= rows) {
                extra += 1;
                const double last = grid.last().upper;
                // With one class row there is no second-last row: the highest limit stands in.
                const double base = rows >= 2 ? grid.at(rows - 2).upper : input.maxValue;
                result.breaks.append(last < base + extra ? last : base + extra);
            } else {
                // The renderer paints a value on a break in the lower class: the typed
                // upper limit itself is the break, so that the class holds the limit.
                const double upper = grid.at(d - 1).upper;
                if (input.numDecimals >= 1)
                    result.breaks.append(RoundToDecimals(upper, input.numDecimals));
                else
                    result.breaks.append(std::floor(upper));
            }
        }
    } else {
        result.breaks = {0.0};
        breakCount = 0;
    }
    result.maxValue = grid.last().upper;
    if (grid.first().lower)
        result.minValue = *grid.first().lower;
    else
        result.fillLowestLimit = true;
    return result;
}

BreakResult ComputeTypeBreaks(int classType, const BreakInput &input, int &breakCount) {
    Q_ASSERT(input.layer || classType == kbCustom);
    switch (classType) {
    case kbEqual:
        return EqualIntervalBreaks(input, breakCount);
    case kbQuantile:
        return QuantileBreaks(input, breakCount);
    case kbCustom:
        return CustomBreaks(input, breakCount);
    case kbNatural:
    case kbPretty:
        return DataTypeBreaks(classType, input, breakCount);
    default:
        throw RunTimeError(5, QStringLiteral("Unknown classification type %1").arg(classType),
                           Source);
    }
}
