#include "tableforge/datarows.h"

#include "contracts/runtimeerror.h"
#include "tableforge/textops.h"

qsizetype DataRows::rowSize(qsizetype row) const
{
    const std::size_t end = std::size_t(row) + 1 < m_rowStart.size() ? m_rowStart[row + 1]
                                                                      : m_tokens.size();
    return qsizetype(end - m_rowStart[row]);
}

QStringView DataRows::token(qsizetype row, qsizetype index) const
{
    const Token &t = m_tokens[m_rowStart[row] + index];
    return QStringView(m_text).mid(t.start, t.length);
}

void DataRows::addToken(qsizetype start, qsizetype length)
{
    if (start + length > qsizetype(UINT32_MAX))
        throw RunTimeError(7, QStringLiteral("The statistics file is too large."),
                           QStringLiteral("TableForge"));
    m_tokens.push_back(Token{std::uint32_t(start), std::uint32_t(length)});
}

void DataRows::addSpaceSeparatedRow(qsizetype start, qsizetype length)
{
    beginRow();
    qsizetype from = start;
    const qsizetype end = start + length;
    for (qsizetype i = start; i < end; ++i) {
        if (m_text[i] == u' ') {
            addToken(from, i - from);
            from = i + 1;
        }
    }
    addToken(from, end - from);
}

void NullValueTracker::see(QStringView token)
{
    // Only a value below 0 can lower the null value, and every such value has a minus sign:
    // the others (nearly all values of most files) need not be converted.
    if (!token.contains(u'-') || !tqtext::IsDataValue(token))
        return;
    seeNumber(tqtext::ToNumber(token));
}

void NullValueTracker::seeNumber(double v)
{
    if (v < m_lowest)
        m_lowest = tqtext::roundToInt32(v);
    if (m_lowest < INT32_MIN + 2)
        throw RunTimeError(6, QStringLiteral("Overflow: no null value lies below the value %1.")
                                  .arg(v),
                           QStringLiteral("TableForge"));
}
