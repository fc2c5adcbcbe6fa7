#pragma once

#include "contracts/mapstatistics.h"
#include "contracts/mapsymbol.h"

#include <QMap>
#include <QString>

#include <optional>

// Per-layer settings of a legend entry.
struct LegendLayerSettings {
    QString title; // empty: the layer's name
    bool circles = false;
    bool shown = true;
    bool expanded = true;
};

// Everything the legend is told, apart from the map itself.
struct LegendSettings {
    MapStatistics statistics;
    std::optional<double> maximum;
    std::optional<double> minimum;
    QString fieldName;
    QString numberFormat = QStringLiteral("##,##0");
    QString noDecimalFormat = QStringLiteral("##,##0");
    int numDecimals = 0;
    QString noDataText = QStringLiteral("No data");
    bool showNoData = true;
    QString largestText = QStringLiteral("Largest symbol");
    QString smallestText = QStringLiteral("Smallest symbol");
    double largestDiameter = 0.0;  // map units; 0: not given
    double smallestDiameter = 0.0; // map units
    // The diameters were given (setCircleSymbols): a diameter of 0 is then a circle not
    // drawn, and the legend shows none either.
    bool circleSizesGiven = false;
    MapColor circleColor = 13697023;
    bool showFieldName = false;
    bool showCounts = false;
    bool showFrame = false;
    QMap<int, LegendLayerSettings> layers; // by map layer index

    double rangeMaximum() const { return maximum.value_or(statistics.Max); }
    double rangeMinimum() const { return minimum.value_or(statistics.Min); }
};

// Formats a number by a format of the forms "##,##0" and "##,##0.00" (grouping when the
// format has a ",", one decimal per "0" after the "."), with the user's locale.
QString formatLegendNumber(double value, const QString &format);

// The highest number with that many decimals (0 or fewer: a whole number) that is not above
// the break: the upper limit shown for the class the break closes. A value on a break is
// painted in the lower class, so a break rounded up would name a number the next class
// paints. A break that is such a number already (within the error of its binary form)
// stays as it is.
double ShownBreak(double value, int decimals);
