#pragma once

#include <QString>

// Rebuilds the dBASE table folder/name.dbf with one more field, "STAT", a double that every
// row leaves empty until the join fills it. The new table is written as the temporary table
// "ChorelTMP" in the same folder and then renamed over the old one, so that a failure never
// leaves a torn table: the old table is then unchanged. Field descriptors, rows and their
// order, deletion flags and the code page are kept; a "STAT" field the table already has is
// replaced by the new one at the end. Throws RunTimeError on failure.
void addStatField(const QString &folder, const QString &name);

// The added field: wide enough for any statistic a double holds to 15 decimals.
inline constexpr int kStatWidth = 32;
inline constexpr int kStatDecimals = 15;
