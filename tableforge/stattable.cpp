#include "tableforge/stattable.h"

#include <cmath>
#include <vector>

namespace stattable {

namespace {

// Characters of a value written with the given decimals (sign, digits, point).
qint64 widthOf(double v, int decimals)
{
    const double magnitude = std::fabs(v);
    const int digits = magnitude < 1 ? 1 : int(std::floor(std::log10(magnitude))) + 1;
    return digits + (v < 0 ? 1 : 0) + (decimals > 0 ? decimals + 1 : 0);
}

} // namespace

std::optional<QString> TooLarge(const StatTable &table)
{
    const qsizetype columns = table.titles.size();
    if (columns > MaxStatistics)
        return QStringLiteral("The statistics file holds %1 statistics; a dBASE statistics "
                              "table holds at most %2 (and the region code).")
            .arg(columns)
            .arg(MaxStatistics);
    qint64 record = 1;
    for (const QString &code : table.codes)
        record = std::max<qint64>(record, code.toUtf8().size());
    // the smallest and largest value of each statistic, in one pass in the order they lie
    std::vector<double> lo(std::size_t(columns), 0), hi(std::size_t(columns), 0);
    for (std::size_t at = 0; at < table.values.size();) {
        for (std::size_t k = 0; k < std::size_t(columns); ++k, ++at) {
            const double v = table.values[at];
            if (!std::isnan(v)) {
                lo[k] = std::min(lo[k], v);
                hi[k] = std::max(hi[k], v);
            }
        }
    }
    for (qsizetype k = 0; k < columns; ++k) {
        const int decimals = table.decimals.value(k);
        record += std::max<qint64>({11, widthOf(lo[std::size_t(k)], decimals),
                                    widthOf(hi[std::size_t(k)], decimals)});
    }
    const qint64 bytes = 32 + 32 * (columns + 1) + 1 + (record + 1) * qint64(table.codes.size());
    if (bytes > MaxTableBytes)
        return QStringLiteral("The statistics table of %1 regions and %2 statistics would be "
                              "%3 MB; a dBASE table holds at most 2048 MB.")
            .arg(table.codes.size())
            .arg(columns)
            .arg(bytes >> 20);
    return std::nullopt;
}

QString PlaceOf(QByteArrayView bytes, qsizetype offset)
{
    offset = std::clamp<qsizetype>(offset, 0, bytes.size());
    qsizetype line = 1;
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < offset; ++i) {
        if (bytes[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    return QStringLiteral("line %1, column %2").arg(line).arg(offset - lineStart + 1);
}

} // namespace stattable
