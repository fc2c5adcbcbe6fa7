#include "tableforge/cubereader.h"

#include "contracts/runtimeerror.h"
#include "tableforge/textops.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string.h>
#include <string_view>

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

bool CheckSelection(const FileText &text, Selection &s)
{
    s.statVariable.clear();
    try {
        const qsizetype map = text.indexOfAnyCase("MAP(\"");
        if (map < 0)
            return false;
        const qsizetype keyEnd = text.indexOf("\"", map + 5);
        if (keyEnd < 0)
            return false;
        s.keyFld = text.decode(map + 5, keyEnd - map - 5);
        const qsizetype eq = text.indexOf("=\"", keyEnd);
        if (eq < 0)
            return false;
        const qsizetype nameEnd = text.indexOf("\";", eq + 2);
        if (nameEnd < 0)
            return false;
        s.mapIniFile = text.decode(eq + 2, nameEnd - eq - 2);

        s.statInfo.clear();
        int multiValued = 0;
        for (qsizetype pos = 0;;) {
            const Statement st = FindStatementPlace(text, u"VALUES(", pos);
            if (st.end < 0)
                break;
            pos = st.end + 1;
            const qsizetype n = CountValues(text, st);
            if (n == 0)
                continue;
            const QString name = GetVariableName(text, st);
            if (n == 1 && !name.contains(QLatin1String("$$")))
                s.statInfo.append(properCase(name) + u'='
                                  + GetValue(text.decode(st.start, st.end - st.start)));
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

std::optional<VariableLists> ReadVariable(const FileText &text, const QString &variable,
                                          const QString &listKeyword, const QString &secondKeyword,
                                          QString *failedTag)
{
    const QString target = QStringLiteral("(%1)").arg(quoted(variable));
    const Statement st = FindStatementPlace(text, QString(listKeyword + target), 0);
    if (st.end < 0) {
        *failedTag = listKeyword;
        return std::nullopt;
    }
    VariableLists v;
    v.list = SplitValueList(text, st);
    // The quoted name is searched, so a variable "region" is not found in "subregion".
    if (FindStatement(text, u"STUB", 0).text.contains(quoted(variable)))
        v.position = InStub;
    else if (FindStatement(text, u"HEADING", 0).text.contains(quoted(variable)))
        v.position = InHeading;
    if (!secondKeyword.isEmpty()) {
        const Statement second = FindStatementPlace(text, QString(secondKeyword + target), 0);
        if (second.end < 0) {
            *failedTag = secondKeyword;
            return std::nullopt;
        }
        v.second = SplitValueList(text, second);
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

std::optional<int> ReadNumDecimals(const FileText &text)
{
    if (!text.contains("DECIMALS"))
        return std::nullopt;
    const qsizetype p = text.indexOf("DECIMALS=");
    const qsizetype e = p < 0 ? -1 : text.indexOf(";", p);
    const QString piece = e < 0 ? QString() : text.decode(p + 9, e - p - 9);
    const QStringView value = QStringView(piece).trimmed();
    const std::optional<int> decimals =
        value.isEmpty() ? std::nullopt : decimalsValue(QStringLiteral("DECIMALS="), value);
    if (!decimals)
        throw RunTimeError(13, QStringLiteral("Type mismatch: the DECIMALS statement holds no "
                                              "whole number."),
                           QStringLiteral("TableForge"));
    return decimals;
}

QList<int> GetFieldDecimals(const FileText &text, const QString &statVariable,
                            const QStringList &statFields, int numDecimals)
{
    QList<int> decimals;
    // Most files give no precision at all: one search then spares one per statistic.
    if (!text.contains("PRECISION("))
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

bool CheckSelection(const QString &text, Selection &selection)
{
    return CheckSelection(FileText(text.toUtf8(), TextEncoding::Utf8), selection);
}

namespace {

// The first occurrence of a text of 1 to 4 bytes at or after from; size when none. Sixteen
// positions are tested at a time (the data's marks start with blanks and quotes, which are too
// frequent for a search of the first byte).
std::size_t findShort(const char *data, std::size_t from, std::size_t size, std::string_view what)
{
    using Bytes = char __attribute__((vector_size(16)));
    const std::size_t n = what.size();
    std::size_t at = from;
    if (n >= 1 && n <= 4) {
        for (; at + 16 + n <= size; at += 16) {
            Bytes all = {};
            all = ~all;
            for (std::size_t k = 0; k < n; ++k) {
                Bytes block;
                std::memcpy(&block, data + at + k, sizeof block);
                all &= block == what[k];
            }
            std::uint64_t half[2];
            std::memcpy(half, &all, sizeof half);
            if (half[0] | half[1])
                break;
        }
    }
    for (; at + n <= size; ++at) {
        if (std::memcmp(data + at, what.data(), n) == 0)
            return at;
    }
    return size;
}

// QByteArray::replace(before, after) on data[0, size) for an after no longer than before: the
// occurrences found left to right without overlapping, replaced in place in one pass.
void replaceShorter(char *data, std::size_t &size, std::string_view before, std::string_view after)
{
    std::size_t at = findShort(data, 0, size, before);
    if (at == size)
        return;
    std::size_t out = at;
    while (at < size) {
        std::memcpy(data + out, after.data(), after.size());
        out += after.size();
        const std::size_t from = at + before.size();
        at = findShort(data, from, size, before);
        std::memmove(data + out, data + from, at - from);
        out += at - from;
    }
    size = out;
}

// Replaces " \r\n" by " " and then "\r\n" by " " on data[0, size), in place in one pass.
void joinLines(char *data, std::size_t &size)
{
    const void *cr = std::memchr(data, '\r', size);
    std::size_t out = cr ? std::size_t(static_cast<const char *>(cr) - data) : size;
    std::size_t in = out;
    while (in < size) {
        // data[in] is a carriage return; the blank before it is data[in - 1] of the input
        if (in + 1 < size && data[in + 1] == '\n') {
            const bool afterBlank = in > 0 && data[in - 1] == ' ';
            if (!afterBlank)
                data[out++] = ' ';
            in += 2;
        } else {
            data[out++] = data[in++];
        }
        const void *next = in < size ? std::memchr(data + in, '\r', size - in) : nullptr;
        const std::size_t stop = next ? std::size_t(static_cast<const char *>(next) - data) : size;
        std::memmove(data + out, data + in, stop - in);
        out += stop - in;
        in = stop;
    }
    size = out;
}

} // namespace

std::optional<QByteArrayView> NormalizeData(QByteArray &bytes)
{
    const std::size_t found = std::string_view(bytes.constData(), std::size_t(bytes.size())).find("DATA=\r\n");
    if (found == std::string_view::npos)
        return std::nullopt;
    // the data: after the line DATA= up to, not including, the file's last character
    const qsizetype start = qsizetype(found) + 7;
    char *const data = bytes.data() + start;
    std::size_t size = std::size_t(std::max(start, bytes.size() - 1) - start);
    if (const void *semicolon = std::memchr(data, ';', size))
        size = std::size_t(static_cast<const char *>(semicolon) - data) + 1;
    // " \r\n" -> " ", then "\r\n" -> " ", in one pass: a line break after a blank goes, any
    // other becomes a blank (the first replacement makes no new line break)
    joinLines(data, size);
    // The one ";" left is the last character (the data were cut after the first) and becomes a
    // line break. It lay before the file's last line break, so the buffer has room for it.
    if (size > 0 && data[size - 1] == ';') {
        data[size - 1] = '\r';
        data[size++] = '\n';
    }
    replaceShorter(data, size, "   ", " . ");
    replaceShorter(data, size, "\"..\"", ".");
    replaceShorter(data, size, "\".\"", ".");
    replaceShorter(data, size, "\"-\"", "-");
    replaceShorter(data, size, "\" \"", ".");
    replaceShorter(data, size, "\"\"", ".");
    return QByteArrayView(data, qsizetype(size));
}

qsizetype CountDataValues(QByteArrayView data)
{
    const qsizetype lineEnd = FindLineBreak(data);
    QByteArrayView line = lineEnd < 0 ? data : data.first(lineEnd);
    while (!line.isEmpty() && line.front() == ' ')
        line = line.sliced(1);
    while (!line.isEmpty() && line.back() == ' ')
        line.chop(1);
    return line.isEmpty() ? 0 : qsizetype(std::count(line.begin(), line.end(), ' ')) + 1;
}

namespace {

// Fills the cells from the rows of tokens as the layout places them.
class CellReader {
public:
    CellReader(QByteArrayView data, TextEncoding encoding, Layout layout, qsizetype regions,
               qsizetype statistics)
        : m_data(data), m_encoding(encoding), m_layout(layout), m_regions(regions),
          m_statistics(statistics)
    {
        m_cells.values.allocate(std::size_t(regions * statistics));
        // cells filled out of order need all their memory at once
        if (layout == Layout::RowPerStatistic || layout == Layout::StatisticFirst)
            m_cells.values.fillAll();
        m_released = data.data();
        m_decimals.assign(std::size_t(statistics), 0);
        m_nextBreak = FindLineBreak(data);
    }

    // A row: the range's text up to a line break, without blanks at its ends, split at every
    // blank (two blanks enclose an empty token); an empty range is no row.
    void addRow(qsizetype start, qsizetype length)
    {
        const bool cut = breakWithin(start, start + length);
        qsizetype end = cut ? m_nextBreak : start + length;
        const char *const d = m_data.data();
        while (start < end && d[start] == ' ')
            ++start;
        while (end > start && d[end - 1] == ' ')
            --end;
        if (end == start)
            return;
        qsizetype index = 0;
        for (qsizetype from = start;; ++index) {
            qsizetype to = from;
            while (to < end && d[to] != ' ')
                ++to;
            addToken(m_data.sliced(from, to - from), index);
            if (to == end)
                break;
            from = to + 1;
        }
        ++m_row;
    }

    // A row whose tokens are known: what addRow gives for a range that starts with a token,
    // ends with a single blank after a token that is not empty and holds no line break.
    void addTokens(const std::vector<std::pair<qsizetype, qsizetype>> &tokens)
    {
        qsizetype index = 0;
        for (const auto &[from, to] : tokens)
            addToken(m_data.sliced(from, to - from), index++);
        ++m_row;
    }

    // Whether a line break lies wholly inside [start, end); starts never go back.
    bool breakWithin(qsizetype start, qsizetype end)
    {
        // the first line break at or after start, found again only when start has passed it
        if (m_nextBreak >= 0 && m_nextBreak < start)
            m_nextBreak = FindLineBreak(m_data, start);
        return m_nextBreak >= 0 && m_nextBreak + 2 <= end;
    }

    DataCells take()
    {
        m_cells.values.fillAll();
        m_cells.nullValue = m_nulls.result();
        m_cells.decimals = QList<int>(m_decimals.begin(), m_decimals.end());
        return std::move(m_cells);
    }

private:
    void addToken(QByteArrayView token, qsizetype index)
    {
        // the data are read once, in order: what lies behind goes back to the system
        if (token.data() - m_released > ForgetStep)
            m_released = ForgetRead(m_released, token.data());
        const TokenValue v = ReadToken(token, m_encoding);
        // Only a value below 0 can lower the null value (the null value counts the tokens with
        // a minus sign, and of those only the numbers below 0 change it).
        if (v.data && v.number < 0)
            m_nulls.seeNumber(v.number);
        qsizetype region = -1, column = -1;
        switch (m_layout) {
        case Layout::RowPerRegion:
            region = m_row;
            column = index;
            break;
        case Layout::RowPerStatistic:
            region = index;
            column = m_row;
            break;
        case Layout::RegionFirst:
            if (m_row == 0 && m_statistics > 0) {
                region = index / m_statistics;
                column = index % m_statistics;
            }
            break;
        case Layout::StatisticFirst:
            if (m_row == 0 && m_regions > 0) {
                region = index % m_regions;
                column = index / m_regions;
            }
            break;
        }
        if (region < 0 || region >= m_regions || column < 0 || column >= m_statistics)
            return;
        int &decimals = m_decimals[std::size_t(column)];
        decimals = std::max(decimals, std::min(MaxDecimals, v.decimals));
        if (v.data)
            m_cells.values.set(std::size_t(region * m_statistics + column), v.number);
    }

    QByteArrayView m_data;
    TextEncoding m_encoding;
    Layout m_layout;
    qsizetype m_regions;
    qsizetype m_statistics;
    qsizetype m_row = 0; // rows so far
    const char *m_released = nullptr; // where the bytes given back end
    qsizetype m_nextBreak = -1; // a line break at or after the last row's start; -1 when none
    DataCells m_cells;
    std::vector<int> m_decimals;
    NullValueTracker m_nulls;
};

} // namespace

DataCells ReadDataCells(QByteArrayView data, TextEncoding encoding, Layout layout, bool relaid,
                        qsizetype regions, qsizetype statistics,
                        const std::function<void(qsizetype)> &step)
{
    CellReader reader(data, encoding, layout, regions, statistics);
    const qsizetype size = data.size();
    if (relaid) {
        // row after row of as many values as the row holds: the ranges between blanks
        const bool perRegion = layout == Layout::RowPerRegion;
        const qsizetype rowCount = perRegion ? regions : statistics;
        const qsizetype perRow = perRegion ? statistics : regions;
        const char *const d = data.data();
        std::vector<std::pair<qsizetype, qsizetype>> tokens; // of the row, as the walk finds them
        qsizetype pos = 0;
        for (qsizetype r = 0; r < rowCount; ++r) {
            const qsizetype start = pos;
            tokens.clear();
            bool walked = true; // all of the row's blanks found
            for (qsizetype s = 0; s < perRow; ++s) {
                const qsizetype from = pos;
                while (pos < size && d[pos] != ' ')
                    ++pos;
                if (pos == size) {
                    walked = false;
                    break;
                }
                tokens.emplace_back(from, pos);
                ++pos;
            }
            if (step)
                step(r);
            // the common row, "1.5 2 .. 7 ", is split as the walk found it
            if (walked && !tokens.empty() && d[start] != ' '
                && tokens.back().second > tokens.back().first && !reader.breakWithin(start, pos))
                reader.addTokens(tokens);
            else
                reader.addRow(start, pos - start);
        }
        return reader.take();
    }
    // line after line (the data are one line; without a line end its last character is not
    // part of it)
    for (qsizetype pos = 0; pos + 1 < size;) {
        const qsizetype start = pos;
        const qsizetype lineBreak = FindLineBreak(data, pos);
        const qsizetype length = lineBreak >= 0 ? lineBreak - start : size - start - 1;
        pos = lineBreak >= 0 ? lineBreak + 2 : size;
        reader.addRow(start, length);
    }
    return reader.take();
}

} // namespace cube
