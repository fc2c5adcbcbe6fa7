#pragma once

#include "app/view/cchart.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>

namespace provider {
class Connection;
}

// The seven summary figures of the distribution chart. A figure the table gives as null (no
// region with data) is none.
struct ChartFigures {
    qint64 count = 0;
    std::optional<double> maximum;
    std::optional<double> minimum;
    std::optional<double> mean;
    std::optional<double> median;
    std::optional<double> stdDev; // the sample standard deviation
    std::optional<double> sum;
};

// The chart's own copy of the statistics table: copied into the sub-folder "Chart" of the
// working folder (so the chart never holds the joined tables open), opened read-only through
// the table provider, and removed with its folder on Close. No widgets.
class ChartTable {
public:
    ChartTable(CChart request, QString workFolder, std::int32_t nullValue);
    ~ChartTable();
    ChartTable(const ChartTable &) = delete;
    ChartTable &operator=(const ChartTable &) = delete;

    // Creates the folder, copies the table over any older copy and connects. Raises
    // RunTimeError when the table cannot be copied or opened.
    void Open();
    // The request's fields (statistic, key) that the table lacks.
    QStringList MissingFields() const;
    // The statistic of every region with data, in ascending order.
    QList<double> Values() const;
    // The figures by the table's own queries; the median from the ascending values.
    ChartFigures Figures(const QList<double> &ascending) const;
    // Closes the connection and removes the copied table and the folder.
    void Close();

    QString Folder() const { return m_folder; }

private:
    QString condition() const;
    std::optional<double> aggregate(const QString &function) const;

    CChart m_request;
    QString m_folder;
    std::int32_t m_nullValue;
    std::unique_ptr<provider::Connection> m_connection;
};

// The provider's connection text for a folder. A folder whose path holds ";" or a double
// quote is written in double quotes (inner quotes doubled), so it cannot end the value early.
QString ChartConnectionText(const QString &folder);

// The middle value of ascending values, or the mean of the two middle values; none when there
// is no value.
std::optional<double> Median(const QList<double> &ascending);
