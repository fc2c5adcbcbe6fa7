#include "tableforge/dbfcreator.h"

#include "kitbag/kbread.h"
#include "tableforge/csvreader.h"
#include "tableforge/cubereader.h"
#include "tableforge/jsonstatreader.h"
#include "tableforge/textops.h"

#include <QFileInfo>

#include <cmath>

namespace {

const QString kStat = QStringLiteral("STAT");

// The file type is its last suffix ("us.rates.csv" is a CSV file).
QString suffixOf(const QString &path)
{
    const QString name = path.mid(std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\')) + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot + 1).trimmed().toLower();
}

bool isJsonStat(const QString &path)
{
    const QString extension = suffixOf(path);
    return extension == QLatin1String("json") || extension == QLatin1String("jsonstat");
}

// The bytes of a CSV or JSON-stat file, or none with *error saying why.
std::optional<QByteArray> readBytes(const QString &path, QString *error)
{
    const QFileInfo info(path);
    if (info.isFile() && info.size() > kbread::MaxTextFileBytes) {
        *error = QStringLiteral("The statistics file %1 is %2 MB; statistics files of up to %3 MB "
                                "can be read.")
                     .arg(info.fileName())
                     .arg(info.size() >> 20)
                     .arg(kbread::MaxTextFileBytes >> 20);
        return std::nullopt;
    }
    QByteArray bytes;
    QString why;
    if (!kbread::readRegularFile(path, kbread::MaxTextFileBytes, bytes, &why)) {
        *error = QStringLiteral("The statistics file %1 cannot be read: %2").arg(path, why);
        return std::nullopt;
    }
    return bytes;
}

} // namespace

bool DBFCreator::IsJsonStatFile(const QString &path)
{
    return isJsonStat(path);
}

bool DBFCreator::IsValueFile(const QString &path)
{
    const QString extension = suffixOf(path);
    return extension == QLatin1String("csv") || extension == QLatin1String("tsv")
           || isJsonStat(path);
}

// A CSV or JSON-stat file: the reader gives the numbers, the table is written as for the
// other formats (a value field per statistic, decimals from the values, the null value 2
// below the smaller of 0 and the smallest value).
bool DBFCreator::CreateValueTable(const QString &sTQFile, const QString &sDBDir)
{
    m_tableName = kStat;
    m_sourceText.clear();
    QString error;
    std::optional<StatTable> table;
    if (auto bytes = readBytes(sTQFile, &error)) {
        table = isJsonStat(sTQFile) ? jsonstat::Read(std::move(*bytes), m_keyColumn, &error)
                                    : csv::Read(std::move(*bytes), m_keyColumn, &error);
    }
    if (table) {
        if (const auto tooLarge = stattable::TooLarge(*table)) {
            error = *tooLarge;
            table.reset();
        }
    }
    if (!table) {
        m_errorMsg = QStringLiteral("The statistics file %1 cannot be read.")
                         .arg(QFileInfo(sTQFile).fileName())
                     + tqtext::CRLF + error;
        return false;
    }
    m_regionCodes = table->codes;
    m_statFields = table->titles;
    m_statTblFld = MakeFieldNames(table->titles);
    m_sourceText = table->source;
    m_statNumDec.clear();
    m_numDecimals = 0;
    for (int d : std::as_const(table->decimals)) {
        m_statNumDec << std::min(cube::MaxDecimals, d);
        m_numDecimals = std::max(m_numDecimals, m_statNumDec.back());
    }
    NullValueTracker nulls;
    for (double v : table->values) {
        if (!std::isnan(v))
            nulls.seeNumber(v);
    }
    m_nullValue = nulls.result();
    const StatTable &data = *table;
    const qsizetype fields = data.titles.size();
    const RowSource row = [&data, fields](qsizetype i, double *out) {
        std::copy_n(data.values.data() + i * fields, fields, out);
    };
    return BuildTable(sDBDir, row, fields);
}
