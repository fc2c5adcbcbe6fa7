#include "tableforge/cubereader.h"

#include "contracts/runtimeerror.h"
#include "tableforge/textops.h"

#include <cstring>

namespace cube {

using namespace tqtext;

namespace {

QString properCase(const QString &name)
{
    QString out = name.toLower();
    bool start = true;
    for (QChar &c : out) {
        if (start && c.isLetter())
            c = c.toUpper();
        start = c.isSpace();
    }
    return out;
}

QString quoted(const QString &name)
{
    return u'"' + name + u'"';
}

} // namespace

bool CheckSelection(const QString &text, Selection &s)
{
    s.statVariable.clear();
    try {
        const qsizetype map = text.indexOf(QLatin1String("MAP(\""), 0, Qt::CaseInsensitive);
        if (map < 0)
            return false;
        const qsizetype keyEnd = text.indexOf(u'"', map + 5);
        if (keyEnd < 0)
            return false;
        s.keyFld = text.mid(map + 5, keyEnd - map - 5);
        const qsizetype eq = text.indexOf(QLatin1String("=\""), keyEnd);
        if (eq < 0)
            return false;
        const qsizetype nameEnd = text.indexOf(QLatin1String("\";"), eq + 2);
        if (nameEnd < 0)
            return false;
        s.mapIniFile = text.mid(eq + 2, nameEnd - eq - 2);

        s.statInfo.clear();
        int multiValued = 0;
        for (qsizetype pos = 0;;) {
            const Statement st = FindStatement(text, u"VALUES(", pos);
            if (st.end < 0)
                break;
            pos = st.end + 1;
            const qsizetype n = CountValues(st.text);
            if (n == 0)
                continue;
            const QString name = GetVariableName(st.text);
            if (n == 1 && !name.contains(QLatin1String("$$")))
                s.statInfo.append(properCase(name) + u'=' + GetValue(st.text));
            if (name != s.keyFld) {
                if (s.statVariable.isEmpty())
                    s.statVariable = name;
                if (n > 1) {
                    s.statVariable = name;
                    ++multiValued;
                }
            }
        }
        if (multiValued >= 2) {
            s.statVariable.clear();
            return false;
        }
        return true;
    } catch (const RunTimeError &) {
        return false;
    }
}

std::optional<VariableLists> ReadVariable(const QString &text, const QString &variable,
                                          const QString &listKeyword, const QString &secondKeyword,
                                          QString *failedTag)
{
    const QString target = QStringLiteral("(%1)").arg(quoted(variable));
    const Statement st = FindStatement(text, QString(listKeyword + target), 0);
    if (st.end < 0) {
        *failedTag = listKeyword;
        return std::nullopt;
    }
    VariableLists v;
    v.list = SplitValueList(st.text);
    // The quoted name is searched, so a variable "region" is not found in "subregion".
    if (FindStatement(text, u"STUB", 0).text.contains(quoted(variable)))
        v.position = InStub;
    else if (FindStatement(text, u"HEADING", 0).text.contains(quoted(variable)))
        v.position = InHeading;
    if (!secondKeyword.isEmpty()) {
        const Statement second = FindStatement(text, QString(secondKeyword + target), 0);
        if (second.end < 0) {
            *failedTag = secondKeyword;
            return std::nullopt;
        }
        v.second = SplitValueList(second.text);
    }
    return v;
}

namespace {

// A decimals value outside what a dBASE numeric field holds ends the reading; a huge value
// would otherwise build a number format of that many zeros.
[[noreturn]] void decimalsOutOfRange(const QString &statement, QStringView value)
{
    throw RunTimeError(6, QStringLiteral("Overflow: %1%2 in the statistics file lies outside 0 to "
                                         "%3, the decimals a dBASE numeric field can hold.")
                              .arg(statement, value.toString())
                              .arg(MaxDecimals),
                       QStringLiteral("TableForge"));
}

// A decimals value as written: an optional sign and digits. None when it is no whole number.
std::optional<int> decimalsValue(const QString &statement, QStringView value)
{
    qsizetype digits = value.startsWith(u'-') || value.startsWith(u'+') ? 1 : 0;
    if (digits == value.size())
        return std::nullopt;
    for (qsizetype i = digits; i < value.size(); ++i) {
        if (!value[i].isDigit())
            return std::nullopt;
    }
    bool ok = false;
    const qlonglong number = value.toLongLong(&ok);
    if (!ok || number < 0 || number > MaxDecimals)
        decimalsOutOfRange(statement, value);
    return int(number);
}

} // namespace

std::optional<int> ReadNumDecimals(const QString &text)
{
    if (!text.contains(QLatin1String("DECIMALS")))
        return std::nullopt;
    const qsizetype p = text.indexOf(QLatin1String("DECIMALS="));
    const qsizetype e = p < 0 ? -1 : text.indexOf(u';', p);
    const QStringView value =
        e < 0 ? QStringView() : QStringView(text).mid(p + 9, e - p - 9).trimmed();
    const std::optional<int> decimals =
        value.isEmpty() ? std::nullopt : decimalsValue(QStringLiteral("DECIMALS="), value);
    if (!decimals)
        throw RunTimeError(13, QStringLiteral("Type mismatch: the DECIMALS statement holds no "
                                              "whole number."),
                           QStringLiteral("TableForge"));
    return decimals;
}

QList<int> GetFieldDecimals(const QString &text, const QString &statVariable,
                            const QStringList &statFields, int numDecimals)
{
    QList<int> decimals;
    // Most files give no precision at all: one search then spares one per statistic.
    if (!text.contains(QLatin1String("PRECISION(")))
        return QList<int>(statFields.size(), numDecimals);
    for (const QString &field : statFields) {
        const QString key = QStringLiteral("PRECISION(%1,%2)=").arg(quoted(statVariable), quoted(field));
        const Statement st = FindStatement(text, key, 0);
        if (st.end < 0) {
            decimals.append(numDecimals);
            continue;
        }
        // the leading number of the rest, as far as it reads
        const QStringView rest = QStringView(st.text).mid(key.size()).trimmed();
        qsizetype n = rest.startsWith(u'-') ? 1 : 0;
        while (n < rest.size() && rest[n].isDigit())
            ++n;
        decimals.append(n == 0 ? 0 : decimalsValue(key, rest.first(n)).value_or(0));
    }
    return decimals;
}

namespace {

// QString::replace(before, after) for an after no longer than before: the occurrences found
// left to right without overlapping, replaced in place in one pass (Qt's replace moves the
// rest of the text for every occurrence, which made the line ends of a large cube cost most of
// its reading).
void replaceShorter(QString &text, QLatin1String before, QLatin1String after)
{
    const qsizetype n = before.size();
    const QChar first = QLatin1Char(before.front());
    qsizetype at = FindText(text, QString(before));
    if (at < 0)
        return;
    QChar *data = text.data();
    const qsizetype size = text.size();
    qsizetype out = at;
    for (qsizetype in = at; in < size;) {
        if (data[in] == first && QStringView(data + in, std::min(n, size - in)) == before) {
            for (char c : after)
                data[out++] = QLatin1Char(c);
            in += n;
            continue;
        }
        // copy up to the next possible start of an occurrence
        const qsizetype next = QStringView(data + in + 1, size - in - 1).indexOf(first);
        const qsizetype stop = next < 0 ? size : in + 1 + next;
        if (out != in)
            std::memmove(static_cast<void *>(data + out), data + in, std::size_t(stop - in) * sizeof(QChar));
        out += stop - in;
        in = stop;
    }
    text.truncate(out);
}

} // namespace

std::optional<QString> NormalizeData(const QString &text)
{
    const qsizetype p = text.indexOf(QLatin1String("DATA=\r\n"));
    if (p < 0)
        return std::nullopt;
    const qsizetype start = p + 7;
    QString data = text.mid(start, std::max<qsizetype>(0, text.size() - start - 1));
    const qsizetype semicolon = data.indexOf(u';');
    if (semicolon >= 0)
        data.truncate(semicolon + 1);
    replaceShorter(data, QLatin1String(" \r\n"), QLatin1String(" "));
    replaceShorter(data, QLatin1String("\r\n"), QLatin1String(" "));
    // the one ";" left is the last character (the data were cut after the first)
    if (data.endsWith(u';')) {
        data.chop(1);
        data.append(CRLF);
    }
    replaceShorter(data, QLatin1String("   "), QLatin1String(" . "));
    replaceShorter(data, QLatin1String("\"..\""), QLatin1String("."));
    replaceShorter(data, QLatin1String("\".\""), QLatin1String("."));
    replaceShorter(data, QLatin1String("\"-\""), QLatin1String("-"));
    replaceShorter(data, QLatin1String("\" \""), QLatin1String("."));
    replaceShorter(data, QLatin1String("\"\""), QLatin1String("."));
    return data;
}

std::vector<std::pair<qsizetype, qsizetype>> RelayData(const QString &line, int regionPosition,
                                                       int, qsizetype regionCount,
                                                       qsizetype statCount,
                                                       const std::function<void(qsizetype)> &step)
{
    const bool perRegion = regionPosition == InStub;
    const qsizetype rowCount = perRegion ? regionCount : statCount;
    const qsizetype perRow = perRegion ? statCount : regionCount;
    std::vector<std::pair<qsizetype, qsizetype>> rows;
    rows.reserve(rowCount);
    qsizetype pos = 0;
    for (qsizetype r = 0; r < rowCount; ++r) {
        const qsizetype start = pos;
        for (qsizetype s = 0; s < perRow; ++s) {
            const qsizetype space = line.indexOf(u' ', pos);
            if (space < 0) {
                pos = line.size();
                break;
            }
            pos = space + 1;
        }
        rows.emplace_back(start, pos - start);
        if (step)
            step(r);
    }
    return rows;
}

namespace {

// A line's text without its line break and without leading and trailing spaces.
std::pair<qsizetype, qsizetype> trimmedRange(const QString &text, qsizetype start, qsizetype length)
{
    // search only inside the range: the data of a re-laid file are one long line
    const qsizetype lineBreak = FindLineBreak(QStringView(text).mid(start, length));
    qsizetype end = lineBreak >= 0 ? start + lineBreak : start + length;
    while (start < end && text[start] == u' ')
        ++start;
    while (end > start && text[end - 1] == u' ')
        --end;
    return {start, end - start};
}

void addRowsAndNulls(DataRows &rows, const std::pair<qsizetype, qsizetype> &range,
                     NullValueTracker &nulls)
{
    if (range.second == 0)
        return;
    rows.addSpaceSeparatedRow(range.first, range.second);
    const qsizetype r = rows.rowCount() - 1;
    for (qsizetype k = 0; k < rows.rowSize(r); ++k)
        nulls.see(rows.token(r, k));
}

} // namespace

DataRows SplitDataRows(QString data, NullValueTracker &nulls)
{
    DataRows rows(std::move(data));
    const QString &text = rows.text();
    qsizetype pos = 0;
    while (!AtEnd(text, pos)) {
        const qsizetype start = pos;
        const qsizetype lineBreak = FindLineBreak(text, pos);
        // as ReadLine: without a line end the last character is not part of the line
        const qsizetype length = lineBreak >= 0 ? lineBreak - start : text.size() - start - 1;
        pos = lineBreak >= 0 ? lineBreak + 2 : text.size();
        addRowsAndNulls(rows, trimmedRange(text, start, length), nulls);
    }
    return rows;
}

DataRows SplitDataRows(QString data, const std::vector<std::pair<qsizetype, qsizetype>> &ranges,
                       NullValueTracker &nulls)
{
    DataRows rows(std::move(data));
    for (const auto &range : ranges)
        addRowsAndNulls(rows, trimmedRange(rows.text(), range.first, range.second), nulls);
    return rows;
}

} // namespace cube
