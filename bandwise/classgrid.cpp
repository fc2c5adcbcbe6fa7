#include "bandwise/classgrid.h"

#include "bandwise/breakcompute.h"
#include "contracts/maplayer.h"
#include "platform/legend/legendsettings.h"

#include <cmath>

bool IsPlaceholderGrid(const ClassBreaksRenderer &renderer) { return renderer.BreakCount() < 3; }

QList<GridRow> GridRows(const ClassBreaksRenderer &renderer, const MapStatistics &statistics,
                        double minValue, double maxValue, int numDecimals) {
    if (IsPlaceholderGrid(renderer))
        return {GridRow{0.0, 0.0, true, true}};
    const int n = renderer.BreakCount();
    const double step = SmallestStep(numDecimals);
    // The renderer paints a value on a break in the lower class: a class ends at the highest
    // shown number not above its break, and the next one starts a step above that.
    const auto shownBreak = [&](int i) { return ShownBreak(renderer.Break(i), numDecimals); };
    QList<GridRow> rows;
    for (int i = 1; i <= n; ++i) {
        GridRow row;
        const bool lowerFromMin = i == 1 && minValue < statistics.Min;
        if (i == 1)
            row.lower = lowerFromMin ? minValue : statistics.Min;
        else
            row.lower = shownBreak(i - 1) + step;
        if (i == n)
            row.upper = maxValue > statistics.Max ? maxValue : statistics.Max;
        else
            row.upper = shownBreak(i);
        // A first break at 0 (limits typed as whole numbers from 0): the first class is shown
        // without decimals and ends at 0.
        if (i == 1 && renderer.Break(1) == 0) {
            row.lowerWhole = !lowerFromMin;
            row.upperWhole = true;
            if (n > 1)
                row.upper = 0.0;
        }
        row.lower = RoundToDecimals(row.lower, row.lowerWhole ? 0 : numDecimals);
        row.upper = RoundToDecimals(row.upper, row.upperWhole ? 0 : numDecimals);
        rows.append(row);
    }
    return rows;
}

QList<qint64> CountPaintedClasses(MapLayer &layer, const ClassBreaksRenderer &renderer,
                                  const QString &field, std::int32_t nullValue) {
    auto records = layer.SearchExpression(field + QStringLiteral(" > ") +
                                          QString::number(nullValue));
    if (!records)
        return {};
    QList<qint64> counts(renderer.BreakCount(), 0);
    for (records->MoveFirst(); !records->AtEnd(); records->MoveNext()) {
        const QVariant value = records->Value(field);
        const int symbol = renderer.SymbolIndex(value.toDouble(), !value.isValid());
        if (symbol >= 1 && symbol <= counts.size())
            ++counts[symbol - 1];
    }
    return counts;
}

QList<qint64> CountClasses(MapLayer &layer, const QString &field, std::int32_t nullValue,
                           const QList<double> &upperLimits) {
    auto records = layer.SearchExpression(field + QStringLiteral(" > ") +
                                          QString::number(nullValue) +
                                          QStringLiteral(" order by ") + field);
    if (!records)
        return {};
    QList<qint64> counts;
    for (double limit : upperLimits) {
        qint64 count = 0;
        while (!records->AtEnd() && records->Value(field).toDouble() <= limit) {
            ++count;
            records->MoveNext();
        }
        counts.append(count);
    }
    return counts;
}

double ClassPercent(qint64 count, qint64 total) {
    if (total == 0)
        return 0.0;
    return std::nearbyint(double(count) * 100.0 / double(total) * 10.0) / 10.0;
}
