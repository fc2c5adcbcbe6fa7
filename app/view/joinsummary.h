#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

class MapLayer;

// The statistics rows and regions that the join of a statistics table into a layer leaves
// unpaired, found the way the join pairs codes (joinery/codematch.h). They depend on the
// layer's codes and the statistics table only, not on the column joined: a run that draws
// several columns on one layer finds them once. A region is a code of the layer: several
// records with one code are one region; records without a shape are no region to be seen.
struct UnmatchedRows {
    int rows = 0;                 // statistics rows
    int count = 0;                // of them, rows whose code no record has
    QStringList codes;            // their codes, in the table's order
    int shapelessCount = 0;       // rows whose code only records without a shape have
    QStringList shapelessCodes;   // their codes
    QStringList regionsWithoutRow; // codes of regions (with a shape) that no row matched
    QStringList collisions;       // codes left unmatched because another fell together with them
    int zeroMatches = 0;          // codes matched without their leading zeros
    int caseMatches = 0;          // codes matched in another letter case
};

// What the join of a statistics column into a map's regions achieved.
struct JoinSummary {
    int regions = 0;         // distinct codes of the layer's records that have a shape (a
                             // record without a code is a region of its own)
    int regionsWithData = 0; // of them, those with a value that is not the null value
    UnmatchedRows unmatched;

    // "3212 of 3231 regions have data (310 codes matched without their leading zeros); 6
    // statistics rows match no region: 2201, 2232, 2270, 2280, 46113 and 1 more" (at most
    // five codes named); "...; every statistics row matches a region".
    QString line() const;
    // True when not one statistics row found a region: the map would show no data at all.
    bool nothingMatched() const { return unmatched.rows > 0 && unmatched.count == unmatched.rows; }
    // Both kinds of mismatch in full, one code a line, for the window's list: the statistics
    // rows without a region (and those whose region has no shape), then the regions without
    // a row.
    QString details() const;
};

UnmatchedRows FindUnmatchedRows(const MapLayer &layer, const QString &keyField,
                                const QString &statTablePath, const QString &statKey);
// The same from the codes of the statistics rows, in the table's order, as they were written
// to the table (the table gives them back without trailing blanks and trimmed, as here).
UnmatchedRows FindUnmatchedRows(const MapLayer &layer, const QString &keyField,
                                const QStringList &writtenStatCodes);
// The summary of the join: the regions with data (statField holding a value other than
// nullValue) counted by code, with the unmatched rows found before.
JoinSummary MakeJoinSummary(const MapLayer &layer, const QString &keyField,
                            const QString &statField, std::int32_t nullValue,
                            const UnmatchedRows &unmatched);

// Both together: the statistics table (a .dbf file) is read once per call; a table that
// cannot be read counts no rows.
JoinSummary SummariseJoin(const MapLayer &layer, const QString &keyField,
                          const QString &statField, std::int32_t nullValue,
                          const QString &statTablePath, const QString &statKey);
