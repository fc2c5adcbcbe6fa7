#include "app/view/classbreaks.h"

#include "app/runtime/showmessage.h"
#include "app/runtime/messagetable.h"
#include "app/mapdefs/creadmapfile.h"
#include "bandwise/databreaks.h"
#include "contracts/maplayer.h"

#include <QGuiApplication>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

// Whole numbers of steps are rounded to the nearest, halves to the even neighbour.
int quantileStep(long long count, int remaining) {
    const int step = int(std::nearbyint(double(count) / double(remaining + 1)));
    return step == 0 ? 1 : step;
}

void moveForward(MapRecordset &records, int steps) {
    for (int i = 0; i < steps && !records.AtEnd(); ++i)
        records.MoveNext();
}

double fieldValue(const MapRecordset &records, const QString &field) {
    return records.Value(field).toDouble();
}

void reportNotNumeric(const QString &field) {
    ShowMessage(QStringLiteral("Chorel (GetClasses)"), 16,
                field + u' ' + MessageText(QStringLiteral("NonNumeric")));
}

// Selects the regions with data (in the given order) and computes the statistics of field over
// them; the shared maximum and minimum take theirs. A field without statistics is reported as
// not numeric, and classType falls back to quantiles.
std::optional<MapStatistics> dataStatistics(MapLayer &layer, const QString &field,
                                            const QString &order, int &classType,
                                            ViewValues &values,
                                            std::unique_ptr<MapRecordset> &records) {
    records = layer.SearchExpression(DataExpression(field, values.NullValue) + order);
    auto stats = records ? records->CalculateStatistics(field) : std::optional<MapStatistics>();
    if (!stats) {
        reportNotNumeric(field);
        classType = kbQuantile;
        return std::nullopt;
    }
    values.Maximum = stats->Max;
    values.Minimum = stats->Min;
    return stats;
}

// The break count becomes the number of breaks found. Without any, the maximum is the only
// break (one class, and the renderer's class count box shows "<3"); a break above the maximum
// raises it.
QList<double> foundBreaks(QList<double> breaks, int &numClasses, ViewValues &values) {
    numClasses = int(breaks.size());
    if (breaks.isEmpty()) {
        breaks.append(values.Maximum);
        numClasses = 1;
    }
    if (breaks.last() > values.Maximum)
        values.Maximum = breaks.last();
    return breaks;
}

std::optional<QList<double>> equalIntervals(MapLayer &layer, int numClasses, const QString &field,
                                            int &classType, ViewValues &values) {
    std::unique_ptr<MapRecordset> records;
    const auto stats = dataStatistics(layer, field, QString(), classType, values, records);
    if (!stats)
        return std::nullopt;
    QList<double> breaks;
    // Without a region with data there is no range to divide.
    if (stats->Count == 0)
        return breaks;
    const double width = (stats->Max - stats->Min) / double(numClasses + 1);
    for (int i = 1; i <= numClasses; ++i)
        breaks.append(stats->Min + i * width);
    return breaks;
}

// Walks the regions with data in ascending order of their values and takes the value every
// step records as a break. A run of equal values at the bottom that is longer than a step
// gives one break at that value (the minimum + 1 when it is the minimum), and the records
// above it are divided anew into the classes still to find. A step that lands on a value not
// above the last break gives the last break + 1, so breaks always rise.
std::optional<QList<double>> quantiles(MapLayer &layer, int &numClasses, const QString &field,
                                       int &classType, ViewValues &values) {
    const QString order = QStringLiteral(" order by ") + field;
    std::unique_ptr<MapRecordset> records;
    auto stats = dataStatistics(layer, field, order, classType, values, records);
    if (!stats)
        return std::nullopt;
    double currentMinimum = stats->Min;
    long long count = stats->Count;
    QList<double> breaks;
    if (records->AtEnd())
        return breaks;

    records->MoveFirst();
    const double first = fieldValue(*records, field);
    double current = first;
    int remaining = numClasses;
    int step = quantileStep(count, remaining);
    for (int k = 0; k <= remaining - 1;) {
        moveForward(*records, step);
        const bool atEnd = records->AtEnd();
        if (!atEnd)
            current = fieldValue(*records, field);
        if (!atEnd && current == first) {
            if (k == 0)
                breaks.append(current == currentMinimum ? currentMinimum + 1 : current);
            records = layer.SearchExpression(field + QStringLiteral(" > ") +
                                             QString::number(current, 'g', 17) + order);
            stats = records ? records->CalculateStatistics(field) : std::nullopt;
            if (!stats)
                break;
            currentMinimum = stats->Min;
            count = stats->Count;
            remaining = numClasses - int(breaks.size());
            step = quantileStep(count, remaining);
            k = 0;
            continue;
        }
        if (!atEnd) {
            if (breaks.isEmpty())
                breaks.append(current);
            else if (current <= breaks.last())
                breaks.append(breaks.last() + 1);
            else
                breaks.append(current);
        }
        ++k;
    }

    return foundBreaks(breaks, numClasses, values);
}

// Natural breaks or rounded limits over the regions with data; an empty list when no region
// has data.
std::optional<QList<double>> breaksOverData(MapLayer &layer, int &numClasses,
                                            const QString &field, int &classType,
                                            ViewValues &values, int maxClasses) {
    std::unique_ptr<MapRecordset> records;
    const auto stats = dataStatistics(layer, field, QString(), classType, values, records);
    if (!stats)
        return std::nullopt;
    if (stats->Count == 0)
        return QList<double>();
    return foundBreaks(
        BreaksOverData(classType, *records, *stats, field, numClasses, maxClasses), numClasses,
        values);
}

} // namespace

std::vector<double> DataValues(MapLayer &layer, const QString &field, std::int32_t nullValue) {
    const auto records = layer.SearchExpression(DataExpression(field, nullValue));
    return records ? RecordValues(*records, field) : std::vector<double>();
}

std::optional<QList<double>> GetClasses(MapLayer &layer, int &numClasses, const QString &field,
                                        int &classType, ViewValues &values, int maxClasses) {
    switch (classType) {
    case kbEqual:
        return equalIntervals(layer, numClasses, field, classType, values);
    case kbQuantile:
        return quantiles(layer, numClasses, field, classType, values);
    case kbNatural:
    case kbPretty:
        return breaksOverData(layer, numClasses, field, classType, values, maxClasses);
    default:
        return std::nullopt;
    }
}

QList<MapColor> FilledClassColours(const QList<MapColor> &given, int classes, MapColor startColor,
                                   MapColor endColor) {
    QList<MapColor> stops = given;
    if (stops.isEmpty())
        stops = {startColor, endColor};
    else if (stops.size() == 1)
        stops.append(endColor);
    auto channel = [](MapColor c, int shift) { return double((c >> shift) & 0xFF); };
    QList<MapColor> colours;
    for (int i = 0; i < classes; ++i) {
        // Where class i lies on the ramp through the stops: between stop j and j + 1.
        const double t = classes > 1 ? double(i) * double(stops.size() - 1) / (classes - 1) : 0.0;
        const int j = std::min(int(t), int(stops.size()) - 2);
        const double f = t - j;
        MapColor c = 0;
        for (int shift : {0, 8, 16}) {
            const double a = channel(stops.at(j), shift), b = channel(stops.at(j + 1), shift);
            c |= MapColor(std::lround(a + f * (b - a))) << shift;
        }
        colours.append(c);
    }
    return colours;
}

std::shared_ptr<ClassBreaksRenderer>
BuildClassBreaksRenderer(MapColor startColor, MapColor endColor, int numClasses,
                         const QString &field, const QList<double> &breaks,
                         std::optional<QList<MapColor>> &classColors, const ViewValues &values) {
    auto renderer = std::make_shared<ClassBreaksRenderer>();
    if (breaks.isEmpty())
        return renderer;
    try {
        renderer->SetBreakCount(numClasses + 1);
        renderer->SetField(field);
        renderer->SetBreak(0, double(values.NullValue) + 1);
        if (renderer->BreakCount() >= 2) {
            for (int i = 1; i <= breaks.size(); ++i)
                renderer->SetBreak(i, breaks.at(i - 1));
            if (values.RampFlag) {
                ClassBreaksRenderer ramp;
                ramp.SetBreakCount(numClasses);
                ramp.RampColors(startColor, endColor);
                QList<MapColor> colours;
                for (int i = 0; i < ramp.SymbolCount(); ++i)
                    colours.append(ramp.Symbol(i).Color);
                classColors = colours;
            }
            if (!classColors || classColors->size() < renderer->BreakCount())
                classColors = FilledClassColours(classColors.value_or(QList<MapColor>()),
                                                 renderer->BreakCount(), startColor, endColor);
            renderer->Symbol(0).Color = values.NoDataColor;
            for (int i = 1; i <= renderer->BreakCount(); ++i)
                renderer->Symbol(i).Color = classColors->at(i - 1);
        } else {
            renderer->Symbol(0).Color = values.NoDataColor;
            renderer->Symbol(1).Color = values.NoDataColor;
        }
    } catch (const std::exception &) {
        while (QGuiApplication::overrideCursor())
            QGuiApplication::restoreOverrideCursor();
        ShowMessage(
            QStringLiteral("Chorel (BuildClassBreaksRenderer)"), 16,
            RunTimeError(9, QStringLiteral("Subscript out of range"), QStringLiteral("Chorel")));
        return nullptr;
    }
    return renderer;
}

void ApplyOutline(ClassBreaksRenderer *renderer, const CReadMapFile *mapDefinition) {
    if (!renderer || !mapDefinition)
        return;
    for (int i = 0; i <= renderer->BreakCount(); ++i) {
        MapSymbol &symbol = renderer->Symbol(i);
        symbol.Outline = mapDefinition->Outline;
        if (mapDefinition->Outline) {
            symbol.OutlineColor = MapColor(mapDefinition->OutlineColor);
            symbol.Size = mapDefinition->OutlineSize;
        }
    }
}
