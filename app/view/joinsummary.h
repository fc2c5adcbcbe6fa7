#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

class MapLayer;

// What the join of a statistics column into a map's regions achieved: how many regions of
// the thematic layer show a value, and which statistics rows found no region (a code
// mistyped in the statistics file, or a region the map does not have).
struct JoinSummary {
    int regions = 0;             // records of the thematic layer
    int regionsWithData = 0;     // of them, with a value that is not the null value
    int unmatchedRows = 0;       // statistics rows whose code no region has
    QStringList unmatchedCodes;  // the first of those codes, in the table's order

    // "98 of 100 regions have data; 3 statistics rows match no region: 99999, 3700l, XX"
    // (at most five codes, then "..."); "...; every statistics row matches a region".
    QString line() const;
};

// The statistics rows whose code no region of a layer has. They depend on the layer's codes
// and the statistics table only, not on the column joined: a run that draws several columns
// on one layer finds them once.
struct UnmatchedRows {
    int count = 0;
    QStringList firstCodes; // at most five, in the table's order
};
UnmatchedRows FindUnmatchedRows(const MapLayer &layer, const QString &keyField,
                                const QString &statTablePath, const QString &statKey);
// The same from the codes of the statistics rows, in the table's order, as they were written
// to the table (the table gives them back without trailing blanks and trimmed, as here).
UnmatchedRows FindUnmatchedRows(const MapLayer &layer, const QString &keyField,
                                const QStringList &writtenStatCodes);
// The regions whose statField holds a value other than nullValue.
int CountRegionsWithData(const MapLayer &layer, const QString &statField,
                         std::int32_t nullValue);
// The summary of the join: the two above together.
JoinSummary MakeJoinSummary(const MapLayer &layer, const QString &statField,
                            std::int32_t nullValue, const UnmatchedRows &unmatched);

// Compares the region codes of the layer's keyField with the codes of statKey in the
// statistics table (a .dbf file); a region has data when its statField holds a value other
// than nullValue. The statistics table is read once per call; a table that cannot be read
// counts no rows.
JoinSummary SummariseJoin(const MapLayer &layer, const QString &keyField,
                          const QString &statField, std::int32_t nullValue,
                          const QString &statTablePath, const QString &statKey);
