#include "app/view/joinsummary.h"

#include "contracts/maplayer.h"

#include <QFile>
#include <QSet>

#include <shapefil.h>

#include <memory>

namespace {

constexpr int kCodesShown = 5;

struct DbfCloser {
    void operator()(DBFInfo *handle) const { DBFClose(handle); }
};

// The codes of the key field of a statistics table, trimmed, in the table's order.
QStringList statisticsCodes(const QString &path, const QString &key)
{
    std::unique_ptr<DBFInfo, DbfCloser> table(DBFOpen(QFile::encodeName(path).constData(), "rb"));
    if (!table)
        return {};
    const int field = DBFGetFieldIndex(table.get(), key.toUtf8().constData());
    if (field < 0)
        return {};
    QStringList codes;
    const int rows = DBFGetRecordCount(table.get());
    for (int r = 0; r < rows; ++r) {
        if (DBFIsRecordDeleted(table.get(), r))
            continue;
        codes << QString::fromUtf8(DBFReadStringAttribute(table.get(), r, field)).trimmed();
    }
    return codes;
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

JoinSummary SummariseJoin(const MapLayer &layer, const QString &keyField,
                          const QString &statField, std::int32_t nullValue,
                          const QString &statTablePath, const QString &statKey)
{
    JoinSummary summary;
    summary.regions = layer.RecordCount();
    QSet<QString> regionCodes;
    regionCodes.reserve(summary.regions);
    for (int r = 0; r < summary.regions; ++r) {
        regionCodes.insert(layer.FieldValue(r, keyField).toString().trimmed());
        const QVariant value = layer.FieldValue(r, statField);
        bool number = false;
        const double v = value.toDouble(&number);
        if (!value.isNull() && number && v != double(nullValue))
            ++summary.regionsWithData;
    }
    for (const QString &code : statisticsCodes(statTablePath, statKey)) {
        if (regionCodes.contains(code))
            continue;
        ++summary.unmatchedRows;
        if (summary.unmatchedCodes.size() < kCodesShown)
            summary.unmatchedCodes << code;
    }
    return summary;
}
