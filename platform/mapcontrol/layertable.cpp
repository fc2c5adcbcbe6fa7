#include "platform/mapcontrol/layertable.h"

#include "platform/mapcontrol/dbftextdecoder.h"
#include "platform/mapcontrol/shapelibhooks.h"

#include <QFile>

#include <cmath>
#include <limits>
#include <memory>

namespace {

struct DbfCloser {
    void operator()(DBFInfo *h) const { DBFClose(h); }
};
using DbfPtr = std::unique_ptr<DBFInfo, DbfCloser>;

constexpr double kNull = std::numeric_limits<double>::quiet_NaN();

} // namespace

bool LayerTable::read(const QString &dbfPath, QString *error)
{
    SAHooks hooks = collectingShapelibHooks();
    takeShapelibErrors();
    DbfPtr dbf(DBFOpenLL(QFile::encodeName(dbfPath).constData(), "rb", &hooks));
    if (!dbf) {
        const QString why = takeShapelibErrors();
        if (error)
            *error = QStringLiteral("Can't read the table %1%2")
                         .arg(dbfPath, why.isEmpty() ? QString() : ": " + why);
        return false;
    }
    const DbfTextDecoder decoder = DbfTextDecoder::forTable(dbfPath);
    const int fields = DBFGetFieldCount(dbf.get());
    const int rows = DBFGetRecordCount(dbf.get());
    QStringList names;
    QHash<QString, int> index;
    std::vector<Column> columns(fields);
    for (int f = 0; f < fields; ++f) {
        char name[XBASE_FLDNAME_LEN_READ + 1] = {};
        const DBFFieldType type = DBFGetFieldInfo(dbf.get(), f, name, nullptr, nullptr);
        names << decoder.decode(QByteArray(name)).trimmed();
        index.insert(names.last().toUpper(), f);
        Column &c = columns[f];
        c.kind = (type == FTInteger || type == FTDouble) ? MapFieldKind::Numeric
                                                         : MapFieldKind::Text;
        if (c.kind == MapFieldKind::Numeric) {
            c.numbers.resize(rows);
            for (int r = 0; r < rows; ++r)
                c.numbers[r] = DBFIsAttributeNULL(dbf.get(), r, f)
                                   ? kNull
                                   : DBFReadDoubleAttribute(dbf.get(), r, f);
        } else {
            c.texts.reserve(rows);
            for (int r = 0; r < rows; ++r) {
                const char *raw = DBFReadStringAttribute(dbf.get(), r, f);
                c.texts << (raw ? decoder.decode(QByteArray(raw)).trimmed() : QString());
            }
        }
    }
    const QString late = takeShapelibErrors();
    if (!late.isEmpty()) {
        if (error)
            *error = QStringLiteral("Can't read the table %1: %2").arg(dbfPath, late);
        return false;
    }
    m_names = names;
    m_index = index;
    m_columns = std::move(columns);
    m_rows = rows;
    return true;
}

int LayerTable::fieldIndex(const QString &name) const
{
    return m_index.value(name.toUpper(), -1);
}

double LayerTable::number(int row, int field) const
{
    const Column &c = m_columns[field];
    if (c.kind != MapFieldKind::Numeric || row < 0 || row >= m_rows)
        return kNull;
    return c.numbers[row];
}

QVariant LayerTable::value(int row, int field) const
{
    if (field < 0 || field >= int(m_columns.size()) || row < 0 || row >= m_rows)
        return {};
    const Column &c = m_columns[field];
    if (c.kind == MapFieldKind::Numeric) {
        const double v = c.numbers[row];
        return std::isnan(v) ? QVariant() : QVariant(v);
    }
    return c.texts[row];
}
