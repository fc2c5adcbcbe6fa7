#include "bandwise/databreaks.h"

#include "bandwise/classtypes.h"
#include "bandwise/naturalbreaks.h"
#include "bandwise/prettybreaks.h"
#include "contracts/maprecordset.h"

#include <algorithm>

std::vector<double> RecordValues(MapRecordset &records, const QString &field) {
    std::vector<double> numbers;
    numbers.reserve(std::size_t(std::max(records.Count(), 0)));
    for (records.MoveFirst(); !records.AtEnd(); records.MoveNext()) {
        const QVariant value = records.Value(field);
        if (value.isValid())
            numbers.push_back(value.toDouble());
    }
    return numbers;
}

QList<double> BreaksOverData(int classType, MapRecordset &records, const MapStatistics &stats,
                             const QString &field, int breakCount, int maxClasses) {
    switch (classType) {
    case kbNatural:
        return NaturalBreaks(RecordValues(records, field), breakCount + 1);
    case kbPretty:
        return PrettyBreaks(stats.Min, stats.Max, breakCount + 1, maxClasses);
    default:
        return {};
    }
}
