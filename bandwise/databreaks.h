#pragma once

#include "contracts/mapstatistics.h"

#include <QList>
#include <QString>

#include <vector>

class MapRecordset;

// The class types that look at every value of the regions with data rather than walking
// them in order: natural breaks and rounded limits. One step, used both by the main
// program's class computation and by the classification control.

// The values of field over the records, in record order; cells without a value are left out.
std::vector<double> RecordValues(MapRecordset &records, const QString &field);

// The breaks of classType (kbNatural or kbPretty) for breakCount breaks (the classes asked
// for minus 1) over the regions with data that records holds, stats being the statistics of
// field over them. Natural breaks: the classes of least within-class squared deviation;
// rounded limits: round numbers over stats' range, never more than maxClasses classes when
// maxClasses > 0. There may be fewer breaks than asked (rounded limits: also one more); any
// other class type gives none.
QList<double> BreaksOverData(int classType, MapRecordset &records, const MapStatistics &stats,
                             const QString &field, int breakCount, int maxClasses);
