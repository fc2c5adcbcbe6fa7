#pragma once

#include <QString>

// What the distribution chart shows: the statistics table (name without extension, in the
// folder DBDir), the statistic field and the key field, and the caption of the statistic as
// the statistics list shows it.
struct CChart {
    QString Table;
    QString StatField;
    QString RegionField;
    QString DBDir;
    QString Title;
};
