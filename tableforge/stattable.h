#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

// A statistics table read from a file that holds numbers rather than the texts of a cube or
// semicolon file (CSV and JSON-stat): one row per region, one column per statistic. The
// table builder writes it into "STAT" as it writes the other formats.
struct StatTable {
    QStringList codes;          // the region codes as the file writes them
    QStringList titles;         // one title per statistic
    std::vector<double> values; // row-major: codes.size() x titles.size(); NaN is no data
    QList<int> decimals;        // per statistic: the most decimals one of its values shows
    QString title;              // the file's own title (JSON-stat label), else empty
    QString source;             // where the figures come from and when (JSON-stat), else empty

    double value(qsizetype row, qsizetype column) const
    {
        return values[std::size_t(row * titles.size() + column)];
    }
};

// Limits that the dBASE statistics table sets: a header of at most 255 fields (the key field
// and 254 statistics) and a file of at most 2 GB.
namespace stattable {

constexpr qsizetype MaxStatistics = 254;
constexpr qint64 MaxTableBytes = (qint64(1) << 31) - 1;

// A text that says why the table cannot be written, or none when it fits.
std::optional<QString> TooLarge(const StatTable &table);

// The line and column (both from 1) of a byte offset, for messages.
QString PlaceOf(QByteArrayView bytes, qsizetype offset);

} // namespace stattable
