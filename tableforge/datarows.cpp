#include "tableforge/datarows.h"

#include "contracts/runtimeerror.h"
#include "tableforge/textops.h"

void NullValueTracker::seeNumber(double v)
{
    if (v < m_lowest)
        m_lowest = tqtext::roundToInt32(v);
    if (m_lowest < INT32_MIN + 2)
        throw RunTimeError(6, QStringLiteral("Overflow: no null value lies below the value %1.")
                                  .arg(v),
                           QStringLiteral("TableForge"));
}
