#include "tableforge/cubereader.h"
#include "tableforge/textops.h"

namespace cube {

CellLookup::CellLookup(const DataRows &rows, Layout layout, qsizetype regions,
                       qsizetype statistics)
    : m_rows(rows), m_layout(layout), m_regions(regions), m_statistics(statistics)
{
}

qsizetype CellLookup::columnCount() const
{
    switch (m_layout) {
    case RowPerRegion:
    case RegionFirst:
        return m_statistics;
    case RowPerStatistic:
        return m_rows.rowCount();
    case StatisticFirst:
        if (m_rows.rowCount() == 0 || m_regions == 0)
            return 0;
        return (m_rows.rowSize(0) + m_regions - 1) / m_regions;
    }
    return 0;
}

std::optional<QStringView> CellLookup::cell(qsizetype region, qsizetype column) const
{
    qsizetype row = 0;
    qsizetype index = 0;
    switch (m_layout) {
    case RowPerRegion:
        row = region;
        index = column;
        break;
    case RowPerStatistic:
        row = column;
        index = region;
        break;
    case RegionFirst:
        index = region * m_statistics + column;
        break;
    case StatisticFirst:
        index = region + column * m_regions;
        break;
    }
    if (row >= m_rows.rowCount() || index >= m_rows.rowSize(row))
        return std::nullopt;
    return m_rows.token(row, index);
}

CellLookup::Layout chooseLayout(int regionPosition, int statPosition, bool relaid,
                                bool regionFirst)
{
    if (relaid)
        return regionPosition == InStub ? CellLookup::RowPerRegion : CellLookup::RowPerStatistic;
    if (regionPosition == Nowhere || statPosition == Nowhere)
        return CellLookup::RegionFirst;
    if (regionPosition != statPosition)
        return regionPosition == InStub ? CellLookup::RegionFirst : CellLookup::StatisticFirst;
    return regionFirst ? CellLookup::RegionFirst : CellLookup::StatisticFirst;
}

bool regionNamedFirst(const QString &text, int position, const QString &region,
                      const QString &statistic)
{
    const auto st = tqtext::FindStatement(text, position == InStub ? u"STUB" : u"HEADING", 0);
    const qsizetype r = st.text.indexOf(u'"' + region + u'"');
    const qsizetype s = st.text.indexOf(u'"' + statistic + u'"');
    return r >= 0 && (s < 0 || r < s);
}

} // namespace cube
