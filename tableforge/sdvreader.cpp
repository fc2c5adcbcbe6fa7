#include "tableforge/sdvreader.h"

#include "tableforge/textops.h"

#include <cstring>
#include <limits>

namespace sdv {

using namespace tqtext;

namespace {

// Start and length of the next line without its line break, as ReadLine and StripLineBreak
// give it; moves position past the line.
std::pair<qsizetype, qsizetype> nextLine(QByteArrayView text, qsizetype &position)
{
    const qsizetype start = position;
    const qsizetype lineBreak = FindLineBreak(text, position);
    if (lineBreak >= 0) {
        position = lineBreak + 2;
        return {start, lineBreak - start};
    }
    position = text.size();
    return {start, std::max<qsizetype>(0, text.size() - start - 1)};
}

// Moves position past the next line, as ReadLine does.
void skipLine(QByteArrayView text, qsizetype &position)
{
    if (position < text.size())
        nextLine(text, position);
    else
        position = text.size();
}

// Whether no line starts at position (a last character without a line end is not read).
bool atEnd(QByteArrayView text, qsizetype position)
{
    return position + 1 >= text.size();
}

// Where the character that ends at `end` starts.
qsizetype charStart(QByteArrayView line, qsizetype end, TextEncoding encoding)
{
    qsizetype at = end - 1;
    if (encoding == TextEncoding::Utf8) {
        while (at > 0 && (uchar(line[at]) & 0xC0) == 0x80)
            --at;
    }
    return at;
}

// Whether the character of bytes [from, to) is a blank, as QChar::isSpace tells (only one
// UTF-16 unit can be: the two of a character beyond them are not).
bool isSpace(const FileText &file, QByteArrayView line, qsizetype from, qsizetype to)
{
    if (to - from == 1 && uchar(line[from]) < 0x80)
        return QChar::isSpace(char16_t(uchar(line[from])));
    const QString c = file.decode(line.sliced(from, to - from));
    return c.size() == 1 && c.front().isSpace();
}

// The line without blanks at its ends, as QStringView::trimmed gives it.
QByteArrayView trimmed(const FileText &file, QByteArrayView line)
{
    qsizetype from = 0, to = line.size();
    while (to > from) {
        const qsizetype start = charStart(line, to, file.encoding());
        if (!isSpace(file, line, std::max(start, from), to))
            break;
        to = std::max(start, from);
    }
    while (from < to) {
        qsizetype next = from + 1;
        if (file.encoding() == TextEncoding::Utf8) {
            while (next < to && (uchar(line[next]) & 0xC0) == 0x80)
                ++next;
        }
        if (!isSpace(file, line, from, next))
            break;
        from = next;
    }
    return line.sliced(from, to - from);
}

// Whether the last two characters of the line hold c (an ASCII character).
bool endHolds(QByteArrayView line, char c, TextEncoding encoding)
{
    if (line.isEmpty())
        return false;
    if (line.back() == c)
        return true;
    const qsizetype last = charStart(line, line.size(), encoding);
    return last > 0 && line[last - 1] == c;
}

} // namespace

std::optional<QStringList> ReadRegionCodes(const FileText &file)
{
    const QByteArrayView text = file.bytes();
    qsizetype pos = 0;
    skipLine(text, pos);
    skipLine(text, pos);
    QStringList codes;
    codes.reserve(qsizetype(std::count(text.begin(), text.end(), '\n'))); // a line at most each
    while (!atEnd(text, pos)) {
        const auto [start, length] = nextLine(text, pos);
        const QByteArrayView line = text.sliced(start, length);
        const qsizetype semicolon = line.indexOf(';');
        if (semicolon >= 0)
            codes.append(file.decode(line.first(semicolon)));
    }
    if (codes.isEmpty())
        return std::nullopt;
    return codes;
}

std::optional<QStringList> ReadFieldNames(const FileText &file)
{
    if (file.isEmpty())
        return std::nullopt;
    const QByteArrayView text = file.bytes();
    qsizetype pos = 0;
    skipLine(text, pos);
    QString line;
    if (pos < text.size()) {
        const auto [start, length] = nextLine(text, pos);
        line = file.decode(text.sliced(start, length));
    }
    line = line.trimmed();
    if (line.endsWith(u';'))
        line.chop(1);
    if (!line.contains(u';'))
        return QStringList();
    QStringList items = line.split(u';');
    items.removeFirst();
    return items;
}

std::optional<cube::DataCells> ReadDataCells(const FileText &file, qsizetype columns,
                                             qsizetype regions, bool release)
{
    const QByteArrayView text = file.bytes();
    const TextEncoding encoding = file.encoding();
    qsizetype pos = 0;
    // At least two line breaks (the file's header lines); found without counting them all.
    const qsizetype firstBreak = FindLineBreak(text);
    if (firstBreak < 0 || FindLineBreak(text, firstBreak + 2) < 0)
        return std::nullopt;
    skipLine(text, pos);
    skipLine(text, pos);
    cube::DataCells cells;
    cells.values.allocate(std::size_t(regions * columns));
    const char *released = text.data(); // the lines are read once, in order: see below
    std::vector<int> decimals(std::size_t(columns), 0);
    NullValueTracker nulls;
    std::vector<TokenValue> row;
    qsizetype rowIndex = 0;
    while (!atEnd(text, pos)) {
        const auto [start, length] = nextLine(text, pos);
        if (release && text.data() + start - released > ForgetStep)
            released = ForgetRead(released, text.data() + start);
        QByteArrayView line = text.sliced(start, length);
        if (!endHolds(line, ';', encoding))
            line = trimmed(file, line);
        else if (endHolds(line, ' ', encoding))
            line.chop(1);
        if (!line.contains(';'))
            continue;
        // the values after the region code; the code counts for the null value too
        row.clear();
        bool empty = false; // whether the last value is empty
        const char *const d = line.data();
        const qsizetype end = line.size();
        bool first = true;
        for (qsizetype from = 0;;) {
            const void *semicolon = std::memchr(d + from, ';', std::size_t(end - from));
            const qsizetype to = semicolon ? qsizetype(static_cast<const char *>(semicolon) - d) : end;
            const TokenValue v = ReadToken(line.sliced(from, to - from), encoding);
            if (v.data && v.number < 0)
                nulls.seeNumber(v.number);
            if (!first) {
                row.push_back(v);
                empty = to == from;
            }
            first = false;
            if (!semicolon)
                break;
            from = to + 1;
        }
        qsizetype size = qsizetype(row.size());
        if (size > columns && empty)
            --size;
        if (size != columns)
            return std::nullopt;
        if (rowIndex < regions) {
            const std::size_t out = std::size_t(rowIndex * columns);
            for (qsizetype k = 0; k < columns; ++k) {
                const TokenValue &v = row[std::size_t(k)];
                decimals[std::size_t(k)] = std::max(decimals[std::size_t(k)],
                                                    std::min(cube::MaxDecimals, v.decimals));
                if (v.data)
                    cells.values.set(out + std::size_t(k), v.number);
            }
        }
        ++rowIndex;
    }
    cells.values.fillAll();
    cells.decimals = QList<int>(decimals.begin(), decimals.end());
    cells.nullValue = nulls.result();
    return cells;
}

QString Diagnose(const QString &text)
{
    qsizetype pos = 0;
    ReadLine(text, pos);
    if (AtEnd(text, pos))
        return QStringLiteral("The file ends after line 1; line 2 should hold the headings.");
    const QString headings = StripLineBreak(ReadLine(text, pos)).trimmed();
    if (!headings.contains(u';')) {
        const qsizetype commas = headings.count(u','), tabs = headings.count(u'\t');
        if (commas == 0 && tabs == 0)
            return QStringLiteral("Line 2 (the headings) holds no \";\".");
        return QStringLiteral("Line 2 (the headings) holds no \";\" but %1 %2: this is a CSV "
                              "file, not a semicolon file. Name it .%3 and give its map "
                              "definition with --map.")
            .arg(std::max(commas, tabs))
            .arg(tabs > commas ? QStringLiteral("tabs") : QStringLiteral("commas"))
            .arg(tabs > commas ? QStringLiteral("tsv") : QStringLiteral("csv"));
    }
    QString names = headings;
    if (names.endsWith(u';'))
        names.chop(1);
    const qsizetype columns = names.count(u';');
    qsizetype line = 2;
    bool regions = false;
    while (!AtEnd(text, pos)) {
        ++line;
        const QString row = StripLineBreak(ReadLine(text, pos));
        if (!row.contains(u';'))
            continue;
        regions = true;
        QString values = row.trimmed();
        if (values.endsWith(u';'))
            values.chop(1);
        const qsizetype count = values.count(u';');
        if (count != columns)
            return QStringLiteral("Line %1 holds %2 values after the region code, the headings "
                                  "(line 2) name %3 statistics: \"%4\".")
                .arg(line)
                .arg(count)
                .arg(columns)
                .arg(row.left(80));
    }
    if (!regions)
        return QStringLiteral("No line after the headings holds a region (a code and values "
                              "separated by \";\").");
    return QString();
}

} // namespace sdv
