#include "app/view/joinsummary.h"

#include "contracts/maplayer.h"
#include "contracts/runtimeerror.h"
#include "joinery/codematch.h"
#include "platform/dbase/dbftable.h"

#include <QFileInfo>
#include <QHash>
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

bool hasShape(const MapLayer &layer, int record)
{
    const MapShape shape = layer.RecordShape(record);
    return !shape.IsNull()
           && (!shape.Parts().isEmpty() || shape.ShapeType() == PointShape
               || shape.ShapeType() == RectangleShape || shape.ShapeType() == EllipseShape);
}

QStringList layerCodes(const MapLayer &layer, const QString &keyField)
{
    QStringList codes;
    codes.reserve(layer.RecordCount());
    for (int r = 0; r < layer.RecordCount(); ++r)
        codes << layer.FieldValue(r, keyField).toString().trimmed();
    return codes;
}

bool numericKey(const MapLayer &layer, const QString &keyField)
{
    return layer.FieldKind(keyField) == MapFieldKind::Numeric;
}

UnmatchedRows unmatchedRows(const MapLayer &layer, const QString &keyField,
                            const QStringList &statCodes)
{
    const QStringList regions = layerCodes(layer, keyField);
    const codematch::Pairing pairing = codematch::Pair(regions, statCodes,
                                                       numericKey(layer, keyField));
    // the rows that some record with a shape takes, and those only shapeless records take
    std::vector<char> seen(std::size_t(statCodes.size()), 0); // 1: shapeless only, 2: shown
    UnmatchedRows unmatched;
    unmatched.rows = int(statCodes.size());
    QSet<QString> withoutRow;
    for (int r = 0; r < int(regions.size()); ++r) {
        const int row = pairing.rowOfRegion[std::size_t(r)];
        const bool shown = hasShape(layer, r);
        if (row >= 0)
            seen[std::size_t(row)] = std::max<char>(seen[std::size_t(row)], shown ? 2 : 1);
        else if (shown && !withoutRow.contains(codematch::Unquoted(regions[r]))) {
            withoutRow.insert(codematch::Unquoted(regions[r]));
            unmatched.regionsWithoutRow << regions[r];
        }
    }
    // A statistics row of a code that other rows share takes no region itself (the last
    // row of equal codes gives the value): it counts as matched when its code did.
    for (qsizetype i = 0; i < statCodes.size(); ++i) {
        if (pairing.rowLevel[std::size_t(i)] == codematch::Level::None) {
            ++unmatched.count;
            unmatched.codes << statCodes[i];
        }
    }
    QHash<QString, char> byCode; // a code's best: 2 shown, 1 shapeless only
    for (qsizetype i = 0; i < statCodes.size(); ++i) {
        if (seen[std::size_t(i)] > 0) {
            char &best = byCode[codematch::Unquoted(statCodes[i])];
            best = std::max(best, seen[std::size_t(i)]);
        }
    }
    for (qsizetype i = 0; i < statCodes.size(); ++i) {
        if (pairing.rowLevel[std::size_t(i)] != codematch::Level::None
            && byCode.value(codematch::Unquoted(statCodes[i])) == 1) {
            ++unmatched.shapelessCount;
            unmatched.shapelessCodes << statCodes[i];
        }
    }
    unmatched.collisions = pairing.collisions;
    unmatched.zeroMatches = pairing.zeroMatches;
    unmatched.caseMatches = pairing.caseMatches;
    return unmatched;
}

QString someCodes(const QStringList &codes, int count)
{
    QString text = codes.mid(0, kCodesShown).join(QStringLiteral(", "));
    if (count > kCodesShown)
        text += QStringLiteral(" and %1 more").arg(count - kCodesShown);
    return text;
}

} // namespace

QString JoinSummary::line() const
{
    QString text = QStringLiteral("%1 of %2 regions have data").arg(regionsWithData).arg(regions);
    QStringList looser;
    if (unmatched.zeroMatches > 0)
        looser << QStringLiteral("%1 %2 matched without their leading zeros")
                      .arg(unmatched.zeroMatches)
                      .arg(unmatched.zeroMatches == 1 ? QStringLiteral("code")
                                                      : QStringLiteral("codes"));
    if (unmatched.caseMatches > 0)
        looser << QStringLiteral("%1 %2 matched in another letter case")
                      .arg(unmatched.caseMatches)
                      .arg(unmatched.caseMatches == 1 ? QStringLiteral("code")
                                                      : QStringLiteral("codes"));
    if (!looser.isEmpty())
        text += QStringLiteral(" (") + looser.join(QStringLiteral(", ")) + u')';
    text += QStringLiteral("; ");
    if (unmatched.count == 0) {
        text += QStringLiteral("every statistics row matches a region");
    } else {
        text += unmatched.count == 1 ? QStringLiteral("1 statistics row matches no region: ")
                                     : QStringLiteral("%1 statistics rows match no region: ")
                                           .arg(unmatched.count);
        text += someCodes(unmatched.codes, unmatched.count);
    }
    if (unmatched.shapelessCount > 0)
        text += QStringLiteral("; %1 %2 only regions without a shape: ")
                    .arg(unmatched.shapelessCount)
                    .arg(unmatched.shapelessCount == 1 ? QStringLiteral("statistics row matches")
                                                       : QStringLiteral("statistics rows match"))
                + someCodes(unmatched.shapelessCodes, unmatched.shapelessCount);
    if (!unmatched.collisions.isEmpty())
        text += QStringLiteral("; codes that fall together, so matched by none: ")
                + someCodes(unmatched.collisions, int(unmatched.collisions.size()));
    return text;
}

QString JoinSummary::details() const
{
    QString text = line() + QStringLiteral("\n");
    const auto section = [&text](const QString &title, const QStringList &codes) {
        if (codes.isEmpty())
            return;
        text += QStringLiteral("\n%1 (%2):\n").arg(title).arg(codes.size());
        text += codes.join(u'\n') + u'\n';
    };
    section(QStringLiteral("Statistics rows that match no region"), unmatched.codes);
    section(QStringLiteral("Statistics rows that match only regions without a shape"),
            unmatched.shapelessCodes);
    section(QStringLiteral("Regions without a statistics row"), unmatched.regionsWithoutRow);
    section(QStringLiteral("Codes that fall together with another (matched by none)"),
            unmatched.collisions);
    return text;
}

UnmatchedRows FindUnmatchedRows(const MapLayer &layer, const QString &keyField,
                                const QString &statTablePath, const QString &statKey)
{
    return unmatchedRows(layer, keyField, statisticsCodes(statTablePath, statKey));
}

UnmatchedRows FindUnmatchedRows(const MapLayer &layer, const QString &keyField,
                                const QStringList &writtenStatCodes)
{
    QStringList codes;
    codes.reserve(writtenStatCodes.size());
    for (const QString &written : writtenStatCodes)
        codes << storedCode(written);
    return unmatchedRows(layer, keyField, codes);
}

JoinSummary MakeJoinSummary(const MapLayer &layer, const QString &keyField,
                            const QString &statField, std::int32_t nullValue,
                            const UnmatchedRows &unmatched)
{
    JoinSummary summary;
    QHash<QString, bool> regions; // code -> has data
    regions.reserve(layer.RecordCount());
    for (int r = 0; r < layer.RecordCount(); ++r) {
        if (!hasShape(layer, r))
            continue;
        const QVariant value = layer.FieldValue(r, statField);
        bool number = false;
        const double v = value.toDouble(&number);
        const bool data = !value.isNull() && number && v != double(nullValue);
        const QString code = codematch::Unquoted(layer.FieldValue(r, keyField).toString());
        if (code.isEmpty()) { // a region without a code is one of its own
            ++summary.regions;
            summary.regionsWithData += data ? 1 : 0;
            continue;
        }
        bool &known = regions[code];
        known = known || data;
    }
    summary.regions += int(regions.size());
    for (bool data : std::as_const(regions))
        summary.regionsWithData += data ? 1 : 0;
    summary.unmatched = unmatched;
    return summary;
}

JoinSummary SummariseJoin(const MapLayer &layer, const QString &keyField,
                          const QString &statField, std::int32_t nullValue,
                          const QString &statTablePath, const QString &statKey)
{
    return MakeJoinSummary(layer, keyField, statField, nullValue,
                           FindUnmatchedRows(layer, keyField, statTablePath, statKey));
}
