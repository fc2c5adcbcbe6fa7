#include "app/view/joinsummary.h"

#include "contracts/maplayer.h"
#include "contracts/runtimeerror.h"
#include "platform/dbase/dbftable.h"

#include <QFileInfo>
#include <QSet>

namespace {

constexpr int kCodesShown = 5;

// The codes of the key field of a statistics table, trimmed, in the table's order: every row,
// as the join reads them. The table is read in one pass (a read per row would cost more than
// the join itself on large tables).
QStringList statisticsCodes(const QString &path, const QString &key)
{
    std::shared_ptr<DbfTable> table;
    try {
        table = DbfTable::load(path, QFileInfo(path).completeBaseName());
    } catch (const RunTimeError &) {
        return {};
    }
    const int field = table->fieldIndex(key);
    if (field < 0)
        return {};
    QStringList codes;
    codes.reserve(table->rowCount());
    for (qint64 r = 0; r < table->rowCount(); ++r)
        codes << table->text(r, field).trimmed();
    return codes;
}

// A code as a text field of the table gives it back: without the blanks and zero bytes
// that fill the field, then trimmed as the join trims it.
QString storedCode(const QString &written)
{
    const auto blank = [](QChar c) { return c.isSpace() || c == QChar(0); };
    if (written.isEmpty() || (!blank(written.front()) && !blank(written.back())))
        return written; // the common case: nothing to take off
    QString code = written;
    qsizetype end = code.size();
    while (end > 0 && (code[end - 1] == u' ' || code[end - 1] == QChar(0)))
        --end;
    code.truncate(end);
    return std::move(code).trimmed();
}

UnmatchedRows unmatchedRows(const MapLayer &layer, const QString &keyField,
                            const QStringList &statCodes, QString (*code)(const QString &))
{
    QSet<QString> regionCodes;
    regionCodes.reserve(layer.RecordCount());
    for (int r = 0; r < layer.RecordCount(); ++r)
        regionCodes.insert(layer.FieldValue(r, keyField).toString().trimmed());
    UnmatchedRows unmatched;
    for (const QString &statCode : statCodes) {
        const QString c = code(statCode);
        if (regionCodes.contains(c))
            continue;
        ++unmatched.count;
        if (unmatched.firstCodes.size() < kCodesShown)
            unmatched.firstCodes << c;
    }
    return unmatched;
}

} // namespace

QString JoinSummary::line() const
{
    QString text = QStringLiteral("%1 of %2 regions have data; ").arg(regionsWithData).arg(regions);
    if (unmatchedRows == 0)
        return text + QStringLiteral("every statistics row matches a region");
    text += unmatchedRows == 1 ? QStringLiteral("1 statistics row matches no region: ")
                               : QStringLiteral("%1 statistics rows match no region: ")
                                     .arg(unmatchedRows);
    text += unmatchedCodes.join(QStringLiteral(", "));
    if (unmatchedRows > unmatchedCodes.size())
        text += QStringLiteral(", ...");
    return text;
}

UnmatchedRows FindUnmatchedRows(const MapLayer &layer, const QString &keyField,
                                const QString &statTablePath, const QString &statKey)
{
    return unmatchedRows(layer, keyField, statisticsCodes(statTablePath, statKey),
                         [](const QString &read) { return read; });
}

UnmatchedRows FindUnmatchedRows(const MapLayer &layer, const QString &keyField,
                                const QStringList &writtenStatCodes)
{
    return unmatchedRows(layer, keyField, writtenStatCodes, storedCode);
}

int CountRegionsWithData(const MapLayer &layer, const QString &statField,
                         std::int32_t nullValue)
{
    int withData = 0;
    for (int r = 0; r < layer.RecordCount(); ++r) {
        const QVariant value = layer.FieldValue(r, statField);
        bool number = false;
        const double v = value.toDouble(&number);
        if (!value.isNull() && number && v != double(nullValue))
            ++withData;
    }
    return withData;
}

JoinSummary MakeJoinSummary(const MapLayer &layer, const QString &statField,
                            std::int32_t nullValue, const UnmatchedRows &unmatched)
{
    JoinSummary summary;
    summary.regions = layer.RecordCount();
    summary.regionsWithData = CountRegionsWithData(layer, statField, nullValue);
    summary.unmatchedRows = unmatched.count;
    summary.unmatchedCodes = unmatched.firstCodes;
    return summary;
}

JoinSummary SummariseJoin(const MapLayer &layer, const QString &keyField,
                          const QString &statField, std::int32_t nullValue,
                          const QString &statTablePath, const QString &statKey)
{
    return MakeJoinSummary(layer, statField, nullValue,
                           FindUnmatchedRows(layer, keyField, statTablePath, statKey));
}
