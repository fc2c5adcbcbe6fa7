#pragma once

#include "tableforge/datarows.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Reading a TQ cube file that already is a selection: a region variable and at most one other
// variable with several values.
namespace cube {

// Where a variable is laid out: in STUB (rows), HEADING (columns) or neither.
enum Position { InStub = 2, InHeading = 1, Nowhere = -1 };

struct Selection {
    QString keyFld;       // the region variable
    QString mapIniFile;   // the map name of MAP("...")="..."
    QString statVariable; // the statistic variable; empty when none
    QStringList statInfo; // Name=value per single-valued variable
};

// Finds the region and statistic variables; false when the file is no valid selection.
bool CheckSelection(const QString &text, Selection &selection);

struct VariableLists {
    int position = Nowhere;
    QStringList list;
    QStringList second;
};

// Reads the listKeyword("variable") list (and the secondKeyword list when given). On failure
// returns none and sets failedTag to the keyword that was missing.
std::optional<VariableLists> ReadVariable(const QString &text, const QString &variable,
                                          const QString &listKeyword, const QString &secondKeyword,
                                          QString *failedTag);

// The most decimals a value column may have: what a dBASE numeric field holds.
constexpr int MaxDecimals = 15;

// The DECIMALS value; none when the file has no DECIMALS statement. A value outside 0 to
// MaxDecimals throws the run-time error 6 naming the statement and the value.
std::optional<int> ReadNumDecimals(const QString &text);
// Decimals per statistic column: its PRECISION statement, otherwise numDecimals. A PRECISION
// outside 0 to MaxDecimals throws as for DECIMALS.
QList<int> GetFieldDecimals(const QString &text, const QString &statVariable,
                            const QStringList &statFields, int numDecimals);

// The data as one line of space-separated tokens ending in CR LF; none when the file has no
// "DATA=" followed by a line break.
std::optional<QString> NormalizeData(const QString &text);
// Rows of one line re-laid per region (region in STUB, statistic in HEADING) or per statistic
// (the other way round); ranges are (start, length) in the line. step reports each row.
std::vector<std::pair<qsizetype, qsizetype>> RelayData(const QString &line, int regionPosition,
                                                       int statPosition, qsizetype regionCount,
                                                       qsizetype statCount,
                                                       const std::function<void(qsizetype)> &step);
// Splits the lines of the data (or the given row ranges) into token rows.
DataRows SplitDataRows(QString data, NullValueTracker &nulls);
DataRows SplitDataRows(QString data, const std::vector<std::pair<qsizetype, qsizetype>> &rows,
                       NullValueTracker &nulls);

// Which token holds the value of region i and statistic column k (both 0-based).
class CellLookup {
public:
    enum Layout { RowPerRegion, RowPerStatistic, RegionFirst, StatisticFirst };

    CellLookup(const DataRows &rows, Layout layout, qsizetype regions, qsizetype statistics);
    // How many statistic columns the data fill.
    qsizetype columnCount() const;
    // The token, or none when the position lies beyond the data.
    std::optional<QStringView> cell(qsizetype region, qsizetype column) const;
    Layout layout() const { return m_layout; }

private:
    const DataRows &m_rows;
    Layout m_layout;
    qsizetype m_regions;
    qsizetype m_statistics;
};

// The layout for the positions of the two variables; regionFirst tells, for two variables
// in the same statement, whether the region variable is named first.
CellLookup::Layout chooseLayout(int regionPosition, int statPosition, bool relaid,
                                bool regionFirst);
// Whether the region variable is named before the statistic variable in the statement
// (STUB or HEADING) that holds both.
bool regionNamedFirst(const QString &text, int position, const QString &region,
                      const QString &statistic);

} // namespace cube
