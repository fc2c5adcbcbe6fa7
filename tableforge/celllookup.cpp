#include "tableforge/cubereader.h"
#include "tableforge/textops.h"

namespace cube {

Layout chooseLayout(int regionPosition, int statPosition, bool relaid,
                                bool regionFirst)
{
    if (relaid)
        return regionPosition == InStub ? Layout::RowPerRegion : Layout::RowPerStatistic;
    if (regionPosition == Nowhere || statPosition == Nowhere)
        return Layout::RegionFirst;
    if (regionPosition != statPosition)
        return regionPosition == InStub ? Layout::RegionFirst : Layout::StatisticFirst;
    return regionFirst ? Layout::RegionFirst : Layout::StatisticFirst;
}

bool regionNamedFirst(const tqtext::FileText &text, int position, const QString &region,
                      const QString &statistic)
{
    const auto st = tqtext::FindStatement(text, position == InStub ? u"STUB" : u"HEADING", 0);
    const qsizetype r = st.text.indexOf(u'"' + region + u'"');
    const qsizetype s = st.text.indexOf(u'"' + statistic + u'"');
    return r >= 0 && (s < 0 || r < s);
}

} // namespace cube
