#include "tableforge/dbfcreator.h"

#include "contracts/tableprovider.h"
#include "platform/dbase/dbaseprovider.h"
#include "tableforge/cubereader.h"
#include "tableforge/sdvreader.h"
#include "tableforge/tableprogress.h"
#include "tableforge/textops.h"

#include "contracts/runtimeerror.h"

#include <QDir>
#include <QVariant>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace {

const QString kStat = QStringLiteral("STAT");
const QString kSource = QStringLiteral("TableForge");
// A region code is a text field of a dBASE table.
constexpr int kLongestRegionCode = 254;
// The values are at most this large: with up to 15 decimals, a sign and the decimal point
// they fit the 255 characters of a dBASE number.
constexpr int kLargestValueDigits = 238;
constexpr double kLargestValue = 1e238;

QString connectionText(const QString &folder)
{
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;") + QStringLiteral("Data Source=")
           + folder + QStringLiteral(";Extended Properties=dBASE 5.0;");
}

} // namespace

bool DBFCreator::CreateCubeTable(tqtext::FileText &text, const QString &sDBDir, int regionPosition,
                                 int statPosition)
{
    const std::optional<int> declared = cube::ReadNumDecimals(text);
    m_numDecimals = declared.value_or(0);
    m_statNumDec = cube::GetFieldDecimals(text, m_statVariable, m_statFields, m_numDecimals);
    const bool regionFirst = regionPosition == statPosition
                             && cube::regionNamedFirst(text, regionPosition, m_keyFld, m_statVariable);
    // the data are all that is needed from here on: they are made in place in the file's bytes,
    // and the memory of the rest goes back to the system
    const std::optional<QByteArrayView> normalized = cube::NormalizeData(text.bytes());
    if (!normalized) {
        m_errorMsg = message(QStringLiteral("VALID")) + tqtext::CRLF
                     + QStringLiteral("The statistics file has no line \"DATA=\".");
        return false;
    }
    const QByteArrayView data = *normalized;
    tqtext::ForgetRead(text.bytes().constData(), data.data());
    tqtext::ForgetRead(data.data() + data.size(), text.bytes().constData() + text.size());
    const qsizetype regions = m_regionCodes.size();
    const qsizetype statistics = m_statFields.size();
    const qsizetype values = cube::CountDataValues(data);
    if (values != regions * statistics) {
        // Fewer values are a file cut short: its last regions would silently have no data.
        m_errorMsg = QStringLiteral("The data of the statistics file hold %1 values, %2 than "
                                    "the %3 that the %4 regions and %5 statistics of the "
                                    "selection need.")
                         .arg(values)
                         .arg(values > regions * statistics ? QStringLiteral("more")
                                                            : QStringLiteral("fewer"))
                         .arg(regions * statistics)
                         .arg(regions)
                         .arg(statistics);
        return false;
    }
    const bool relay = data.contains(' ')
                       && ((regionPosition == cube::InStub && statPosition == cube::InHeading)
                           || (regionPosition == cube::InHeading && statPosition == cube::InStub));
    if (relay)
        startProgress(regionPosition == cube::InStub ? regions : statistics, 1);
    cube::DataCells cells = cube::ReadDataCells(
        data, text.encoding(), cube::chooseLayout(regionPosition, statPosition, relay, regionFirst),
        relay, regions, statistics, [this](qsizetype) { advanceProgress(); });
    text = tqtext::FileText();
    m_nullValue = cells.nullValue;
    if (!declared) { // no DECIMALS: each column gets the decimals its values show
        m_statNumDec = cells.decimals;
        m_numDecimals = 0;
        for (int d : std::as_const(m_statNumDec))
            m_numDecimals = std::max(m_numDecimals, d);
    }
    return BuildTable(sDBDir, cells.values.data(), statistics);
}

bool DBFCreator::CreateTextTable(tqtext::FileText &text, const QString &sTQFile,
                                 const QString &sDBDir)
{
    const auto codes = sdv::ReadRegionCodes(text);
    const auto names = sdv::ReadFieldNames(text);
    // the lines are given back to the system as they are read (from a buffer of the text's own:
    // a shared one is copied first); a refused file is read again for the message that says where
    text.bytes().data();
    const auto cells = names ? sdv::ReadDataCells(text, names->size(), codes ? codes->size() : 0,
                                                  true)
                             : std::nullopt;
    text = tqtext::FileText();
    if (!codes || !names || !cells) {
        m_tableName = kStat;
        m_errorMsg = message(QStringLiteral("FILEFORMAT"));
        const tqtext::FileText again = readText(sTQFile);
        const QString where = sdv::Diagnose(again.decode(0, again.size()));
        if (!where.isEmpty())
            m_errorMsg += tqtext::CRLF + where;
        return false;
    }
    m_regionCodes = *codes;
    m_statFields = *names;
    m_statTblFld = MakeFieldNames(*names);
    m_nullValue = cells->nullValue;
    m_statNumDec = cells->decimals;
    m_numDecimals = 0;
    for (int d : std::as_const(m_statNumDec))
        m_numDecimals = std::max(m_numDecimals, d);
    return BuildTable(sDBDir, cells->values.data(), m_statFields.size());
}

bool DBFCreator::BuildTable(const QString &sDBDir, const double *values, qsizetype fieldCount)
{
    return BuildTable(sDBDir, RowSource([values, fieldCount](qsizetype i, double *out) {
        std::copy_n(values + i * fieldCount, fieldCount, out);
    }), fieldCount);
}

// Connects to the folder, replaces "STAT" with a new table of "REGION" and "F1".."Fn", and
// fills it. A failure leaves the message in the long form, naming the step that failed.
bool DBFCreator::BuildTable(const QString &sDBDir, const RowSource &row, qsizetype fieldCount)
{
    QString step = QStringLiteral("Connect to ") + sDBDir;
    std::unique_ptr<provider::Connection> connection;
    try {
        connection = createDbaseConnection();
        connection->setConnectionString(connectionText(sDBDir));
        connection->setMode(provider::ModeReadWrite);
        connection->open(QString(), QString(), -1);
        auto catalog = createDbaseCatalog();
        catalog->setActiveConnection(connection.get());
        m_tableName = kStat;
        step = QStringLiteral("Delete ") + m_tableName;
        try {
            catalog->deleteTable(m_tableName);
        } catch (const RunTimeError &) {
            // the table may not exist yet
        }
        step = QStringLiteral("Create ") + m_tableName;
        QList<provider::Column> columns;
        // (read without a copy: the reader's list still shares the codes)
        int width = m_regionCodes.isEmpty() ? 0 : int(m_regionCodes.constFirst().size());
        for (const QString &code : std::as_const(m_regionCodes))
            width = std::max(width, int(code.size()));
        if (width > kLongestRegionCode) {
            const QString code = *std::find_if(
                m_regionCodes.cbegin(), m_regionCodes.cend(),
                [](const QString &c) { return c.size() > kLongestRegionCode; });
            m_errorMsg = QStringLiteral("The region code \"%1...\" of the statistics file has %2 "
                                        "characters; a region code has at most %3.")
                             .arg(code.left(40))
                             .arg(code.size())
                             .arg(kLongestRegionCode);
            throw RunTimeError(6, m_errorMsg, kSource);
        }
        columns.append(provider::Column{QStringLiteral("REGION"), provider::TypeWChar, width, 0, 0});
        startProgress(m_statTblFld.size(), 2);
        for (qsizetype k = 0; k < m_statTblFld.size(); ++k) {
            columns.append(provider::Column{m_statTblFld[k], provider::TypeDouble, 0, 10,
                                            m_statNumDec.value(k)});
            advanceProgress();
        }
        catalog->appendTable(m_tableName, columns);
        advanceProgress();
        m_progressBar->Refresh();
        step = QStringLiteral("Insert data ") + m_tableName;
        const bool inserted = InsertData(*connection, columns, row, fieldCount);
        if (inserted)
            m_keyFld = QStringLiteral("REGION");
        connection->close();
        if (inserted)
            m_builtTablePath = QDir(sDBDir).filePath(m_tableName + QStringLiteral(".dbf"));
        return inserted;
    } catch (const RunTimeError &e) {
        setLongForm(e, connection.get(), step);
        m_progressBar->setValue(0);
        if (connection && connection->state() == provider::StateOpen)
            connection->close();
        return false;
    }
}

// A value of the statistics file too large for the tables it goes into (the statistics table
// and, through the join, the layer table, whose numbers have at most 255 characters with their
// decimals) is refused by region and statistic, in place of the table provider's failure to
// write it.
void DBFCreator::refuseValue(double value, qsizetype region, qsizetype statistic)
{
    m_errorMsg = QStringLiteral("The value %1 of region %2, statistic \"%3\" in the statistics "
                                "file is too large: a value has at most %4 digits before the "
                                "decimal point.")
                     .arg(QString::number(value), m_regionCodes.value(region),
                          m_statFields.value(statistic))
                     .arg(kLargestValueDigits);
    throw RunTimeError(6, m_errorMsg, kSource);
}

// Writes one record per region straight to the table's file in one pass (the provider's bulk
// path: no value is held as a cell of a record set); a failure leaves the table as it was
// created (no records of this run).
bool DBFCreator::InsertData(provider::Connection &connection,
                            const QList<provider::Column> &columns, const RowSource &row,
                            qsizetype fieldCount)
{
    qsizetype adding = -1;
    try {
        startProgress(m_regionCodes.size(), 1);
        const double missing = m_nullValue;
        const qsizetype fields = columns.size() - 1;
        if (fieldCount > fields)
            throw RunTimeError(provider::ErrGeneral,
                               QStringLiteral("Item %1 cannot be found: the table has %2 fields.")
                                   .arg(fieldCount)
                                   .arg(fields + 1),
                               kSource);
        writeDbaseNumberTable(
            connection, m_tableName, columns, m_regionCodes,
            [&](qint64 i, double *out) {
                adding = i; // the step "AddNew CODE", spelt out only if it fails
                std::fill(out, out + fields, std::numeric_limits<double>::quiet_NaN());
                row(i, out);
                for (qsizetype k = 0; k < fieldCount; ++k) {
                    if (std::isnan(out[k]))
                        out[k] = missing;
                    else if (!(std::fabs(out[k]) < kLargestValue))
                        refuseValue(out[k], i, k);
                }
            },
            [this](qint64) { advanceProgress(); });
        return true;
    } catch (const RunTimeError &e) {
        const QString step = adding >= 0 ? QStringLiteral("AddNew ") + m_regionCodes.at(adding)
                                         : QStringLiteral("Open ") + m_tableName;
        setLongForm(e, &connection, step);
        m_progressBar->setValue(0);
        connection.close();
        return false;
    }
}
