#pragma once

#include "tableforge/datarows.h"
#include "tableforge/textops.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
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
bool CheckSelection(const tqtext::FileText &text, Selection &selection);
// The same for a file's text as decoded.
bool CheckSelection(const QString &text, Selection &selection);

struct VariableLists {
    int position = Nowhere;
    QStringList list;
    QStringList second;
};

// Reads the listKeyword("variable") list (and the secondKeyword list when given). On failure
// returns none and sets failedTag to the keyword that was missing.
std::optional<VariableLists> ReadVariable(const tqtext::FileText &text, const QString &variable,
                                          const QString &listKeyword, const QString &secondKeyword,
                                          QString *failedTag);

// The most decimals a value column may have: what a dBASE numeric field holds.
constexpr int MaxDecimals = 15;

// The DECIMALS value; none when the file has no DECIMALS statement. A value outside 0 to
// MaxDecimals throws the run-time error 6 naming the statement and the value.
std::optional<int> ReadNumDecimals(const tqtext::FileText &text);
// Decimals per statistic column: its PRECISION statement, otherwise numDecimals. A PRECISION
// outside 0 to MaxDecimals throws as for DECIMALS.
QList<int> GetFieldDecimals(const tqtext::FileText &text, const QString &statVariable,
                            const QStringList &statFields, int numDecimals);

// The data as one line of space-separated tokens ending in CR LF, made in place in the file's
// bytes (the view into them is returned); none when the file has no "DATA=" followed by a line
// break.
std::optional<QByteArrayView> NormalizeData(QByteArray &bytes);
// How many values the data's line holds.
qsizetype CountDataValues(QByteArrayView data);

// Where the value of region i and statistic column k lies in the rows of the data: row i
// token k, row k token i, or in the one row token i * statistics + k or i + k * regions.
enum class Layout { RowPerRegion, RowPerStatistic, RegionFirst, StatisticFirst };

// The cells of the data read once: each cell's number, the decimals of each column (the most
// any of its cells shows, at most MaxDecimals) and the null value (below every value of the
// data).
// The cells' numbers, row-major, NaN for no data. Their memory is touched only as cells are
// filled in order (the values of most files arrive region after region), so the memory of the
// file's bytes read so far can be given back meanwhile and the two are not held whole at once.
class CellNumbers {
public:
    // count cells, none touched yet
    void allocate(std::size_t count)
    {
        m_values.reset(new double[count]);
        m_size = count;
        m_filled = 0;
    }
    // Sets cell at; the cells before it not set so far are NaN.
    void set(std::size_t at, double value)
    {
        if (at >= m_filled) {
            std::fill(m_values.get() + m_filled, m_values.get() + at + 1,
                      std::numeric_limits<double>::quiet_NaN());
            m_filled = at + 1;
        }
        m_values[at] = value;
    }
    // Every cell not set so far is NaN (before cells are set out of order, or at the end).
    void fillAll()
    {
        std::fill(m_values.get() + m_filled, m_values.get() + m_size,
                  std::numeric_limits<double>::quiet_NaN());
        m_filled = m_size;
    }
    const double *data() const { return m_values.get(); }
    std::size_t size() const { return m_size; }

private:
    std::unique_ptr<double[]> m_values;
    std::size_t m_size = 0;
    std::size_t m_filled = 0;
};

struct DataCells {
    CellNumbers values; // row-major, regions x statistics; NaN for no data
    QList<int> decimals;
    std::int32_t nullValue = 0;
};
// Reads the normalized data. Re-laid data (relaid) are cut into a row per region (RowPerRegion)
// or per statistic (RowPerStatistic) of as many values each, step reporting each row; other
// data are read line by line. The rows are split at every blank; every token with a minus
// sign counts for the null value, a token outside the regions and statistics for nothing else.
DataCells ReadDataCells(QByteArrayView data, TextEncoding encoding, Layout layout, bool relaid,
                        qsizetype regions, qsizetype statistics,
                        const std::function<void(qsizetype)> &step);

// The layout for the positions of the two variables; regionFirst tells, for two variables
// in the same statement, whether the region variable is named first.
Layout chooseLayout(int regionPosition, int statPosition, bool relaid, bool regionFirst);
// Whether the region variable is named before the statistic variable in the statement
// (STUB or HEADING) that holds both.
bool regionNamedFirst(const tqtext::FileText &text, int position, const QString &region,
                      const QString &statistic);

} // namespace cube
