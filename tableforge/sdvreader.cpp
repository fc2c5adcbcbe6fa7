#include "tableforge/sdvreader.h"

#include "tableforge/textops.h"

namespace sdv {

using namespace tqtext;

namespace {

// Start and length of the next line without its line break, as ReadLine and StripLineBreak
// give it; moves position past the line.
std::pair<qsizetype, qsizetype> nextLine(const QString &text, qsizetype &position)
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

} // namespace

std::optional<QStringList> ReadRegionCodes(const QString &text)
{
    qsizetype pos = 0;
    ReadLine(text, pos);
    ReadLine(text, pos);
    QStringList codes;
    while (!AtEnd(text, pos)) {
        const auto [start, length] = nextLine(text, pos);
        const QStringView line = QStringView(text).mid(start, length);
        const qsizetype semicolon = line.indexOf(u';');
        if (semicolon >= 0)
            codes.append(line.first(semicolon).toString());
    }
    if (codes.isEmpty())
        return std::nullopt;
    return codes;
}

std::optional<QStringList> ReadFieldNames(const QString &text)
{
    if (text.isEmpty())
        return std::nullopt;
    qsizetype pos = 0;
    ReadLine(text, pos);
    QString line = StripLineBreak(ReadLine(text, pos)).trimmed();
    if (line.endsWith(u';'))
        line.chop(1);
    if (!line.contains(u';'))
        return QStringList();
    QStringList items = line.split(u';');
    items.removeFirst();
    return items;
}

std::optional<DataRows> ReadDataRows(const QString &text, qsizetype columns,
                                     NullValueTracker &nulls)
{
    qsizetype pos = 0;
    // At least two line breaks (the file's header lines); found without counting them all.
    const qsizetype firstBreak = FindLineBreak(text);
    if (firstBreak < 0 || FindLineBreak(text, firstBreak + 2) < 0)
        return std::nullopt;
    ReadLine(text, pos);
    ReadLine(text, pos);
    DataRows rows(text);
    while (!AtEnd(text, pos)) {
        auto [start, length] = nextLine(text, pos);
        QStringView line = QStringView(text).mid(start, length);
        if (!line.right(2).contains(u';')) {
            line = line.trimmed();
            start = line.isEmpty() ? start : qsizetype(line.data() - text.constData());
        } else if (line.right(2).contains(u' ')) {
            line.chop(1);
        }
        if (!line.contains(u';'))
            continue;
        rows.beginRow();
        qsizetype from = start;
        const qsizetype end = start + line.size();
        bool first = true;
        for (qsizetype i = start; i <= end; ++i) {
            if (i < end && text[i] != u';')
                continue;
            nulls.see(QStringView(text).mid(from, i - from)); // region code included
            if (!first)
                rows.addToken(from, i - from);
            first = false;
            from = i + 1;
        }
        const qsizetype r = rows.rowCount() - 1;
        if (rows.rowSize(r) > columns && rows.token(r, rows.rowSize(r) - 1).isEmpty())
            rows.dropLastToken();
        if (rows.rowSize(r) != columns)
            return std::nullopt;
    }
    return rows;
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
