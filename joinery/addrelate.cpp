#include "joinery/addrelate.h"

#include "joinery/codematch.h"

#include "contracts/messagehook.h"
#include "contracts/runtimeerror.h"
#include "contracts/tableprovider.h"
#include "joinery/joineryerrors.h"
#include "joinery/quotevalue.h"
#include "platform/dbase/dbaseprovider.h"

#include <cmath>
#include <limits>

namespace {
const QString kCaption = QStringLiteral("Join");
constexpr int kErrorIcon = 16;

// A failed check: the message with the caption "Join", nothing recorded.
bool refuse(const QString &text)
{
    showLibraryMessage(kCaption, kErrorIcon, text);
    return false;
}
} // namespace

QString QuoteValue(const QString &value, FieldType type)
{
    if (type != STRINGFLD)
        return value;
    QString quoted = value;
    quoted.replace(u'\'', QStringLiteral("''"));
    return u'\'' + quoted + u'\'';
}

AddRelate::AddRelate() = default;

AddRelate::~AddRelate()
{
    m_dataCollection.reset();
    dropConnection();
}

DataCollectionPtr AddRelate::DataCollection()
{
    if (!m_dataCollection)
        m_dataCollection = std::make_shared<::DataCollection>();
    return m_dataCollection;
}

void AddRelate::setDataCollection(DataCollectionPtr collection)
{
    m_dataCollection = std::move(collection);
}

void AddRelate::setExternalTable(const QString &name)
{
    if (!m_joined)
        m_externalTable = name;
}

void AddRelate::setSourceTable(const QString &name)
{
    if (!m_joined)
        m_sourceTable = name;
}

void AddRelate::setDBPath(const QString &path)
{
    if (!m_joined)
        m_dbPath = path;
}

void AddRelate::SetNullValue(std::int32_t vData)
{
    m_nullValue = vData;
    m_nullValueFixed = true;
}

void AddRelate::dropConnection()
{
    if (m_connection && m_connection->state() == provider::StateOpen)
        m_connection->close();
    m_connection.reset();
}

bool AddRelate::Connect()
{
    if (m_dbPath.isEmpty()) {
        dropConnection();
        return refuse(QStringLiteral("Missing DBPath value!"));
    }
    try {
        m_connection = createDbaseConnection();
        m_connection->setMode(provider::ModeReadWrite);
        m_connection->setConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;")
                                          + QStringLiteral("Data Source=") + m_dbPath
                                          + QStringLiteral(";Extended Properties=dBASE 5.0;"));
        m_connection->open(QString(), QString(), -1);
        return true;
    } catch (const RunTimeError &error) {
        recordError(error);
        dropConnection();
        return false;
    }
}

bool AddRelate::Disconnect()
{
    try {
        dropConnection();
        return true;
    } catch (const RunTimeError &error) {
        recordError(error, QString(), true);
        m_connection.reset();
        return false;
    }
}

provider::Connection &AddRelate::openConnection()
{
    if (!m_connection)
        throw RunTimeError(joinery::kNotConnected, joinery::notConnectedText(),
                           QStringLiteral("AddRelate"));
    return *m_connection;
}

void AddRelate::execute(const QString &statement)
{
    provider::Connection &connection = openConnection();
    connection.clearErrors();
    connection.execute(statement);
}

bool AddRelate::Join(const QString &sSourceKey, FieldType KeyType, const QString &sSourceDataFld,
                     FieldType DataType, const QString &sExternalKey,
                     const QString &sExternalDataFld)
{
    m_sourceKey = sSourceKey;
    m_keyType = KeyType;
    m_sourceDataFld = sSourceDataFld;
    m_dataType = DataType;

    if (m_joined)
        return refuse(QStringLiteral("Table already joined!"));
    if (m_sourceTable.isEmpty())
        return refuse(QStringLiteral("Missing Source Table value!"));
    if (m_dataCollection)
        return joinCollection();
    return checkAndJoinTables(sExternalKey, sExternalDataFld);
}

bool AddRelate::checkAndJoinTables(const QString &sExternalKey, const QString &sExternalDataFld)
{
    if (sExternalKey.isEmpty())
        return refuse(QStringLiteral("Missing External Key Field"));
    if (sExternalDataFld.isEmpty())
        return refuse(QStringLiteral("Missing External Data Field!"));
    if (m_externalTable.isEmpty())
        return refuse(QStringLiteral("Missing External Table value!"));
    return joinTables(sExternalKey, sExternalDataFld);
}

void AddRelate::computeNullValue(const QString &sExternalDataFld)
{
    provider::Connection &connection = openConnection();
    connection.clearErrors();
    std::unique_ptr<provider::Recordset> records = createDbaseRecordset();
    records->setCursorType(provider::CursorKeyset);
    records->setLockType(provider::LockOptimistic);
    records->open(QStringLiteral("SELECT MIN(") + sExternalDataFld + QStringLiteral(") FROM ")
                      + m_externalTable,
                  &connection, provider::CmdText);
    const QVariant minimum = records->eof() ? QVariant() : records->value(0);
    records->close();
    if (minimum.isNull())
        throw RunTimeError(joinery::kInvalidUseOfNull, QStringLiteral("Invalid use of Null"),
                           QStringLiteral("Joinery"));
    bool ok = false;
    const double value = minimum.toDouble(&ok);
    const double rounded = std::nearbyint(value - 2.0);
    if (!ok || !(rounded >= std::numeric_limits<std::int32_t>::min()
                 && rounded <= std::numeric_limits<std::int32_t>::max()))
        throw RunTimeError(joinery::kOverflow, QStringLiteral("Overflow"),
                           QStringLiteral("Joinery"));
    m_nullValue = static_cast<std::int32_t>(rounded);
}

void AddRelate::rollBack()
{
    try {
        if (m_connection)
            m_connection->rollbackTrans();
    } catch (const RunTimeError &) {
        // no transaction was open: nothing to undo
    }
}

bool AddRelate::joinTables(const QString &sExternalKey, const QString &sExternalDataFld)
{
    const QString &S = m_sourceTable;
    const QString &E = m_externalTable;
    QString statement;
    try {
        if (!m_nullValueFixed)
            computeNullValue(sExternalDataFld);
        // Both statements in one transaction: the table is written once, and a failing copy
        // leaves it as it was instead of preset but unfilled.
        openConnection().beginTrans();
        statement = QStringLiteral("UPDATE ") + S + QStringLiteral(" SET ") + S + u'.'
                    + m_sourceDataFld + QStringLiteral(" = ") + QString::number(m_nullValue);
        execute(statement);
        statement = QStringLiteral("UPDATE ") + S + u',' + E + QStringLiteral(" SET ") + S + u'.'
                    + m_sourceDataFld + QStringLiteral(" = ") + E + u'.' + sExternalDataFld
                    + QStringLiteral(" WHERE ") + S + u'.' + m_sourceKey + QStringLiteral(" = ")
                    + E + u'.' + sExternalKey;
        const qint64 matched = openConnection().execute(statement);
        fillLooseMatches(sExternalKey, sExternalDataFld, matched);
        m_connection->commitTrans();
    } catch (const RunTimeError &error) {
        recordError(error, statement);
        rollBack();
        return false;
    }
    m_joined = true;
    return true;
}

// The UPDATE pairs codes that are the same; the regions it left without a row may still have
// one written in another way (quoted, without leading zeros, in another letter case): those
// are found as the join line finds them (codematch) and filled in the same transaction.
void AddRelate::fillLooseMatches(const QString &sExternalKey, const QString &sExternalDataFld,
                                 qint64 matched)
{
    provider::Connection &connection = openConnection();
    auto regions = createDbaseRecordset();
    regions->setCursorType(provider::CursorKeyset);
    regions->setLockType(provider::LockOptimistic);
    regions->open(m_sourceTable, &connection, provider::CmdTable);
    const qint64 regionCount = regions->recordCount();
    const int regionKey = regions->fieldIndex(m_sourceKey);
    const int regionData = regions->fieldIndex(m_sourceDataFld);
    if (matched >= regionCount || regionKey < 0 || regionData < 0) {
        regions->close();
        return;
    }
    auto rows = createDbaseRecordset();
    rows->open(m_externalTable, &connection, provider::CmdTable);
    const int rowKey = rows->fieldIndex(sExternalKey);
    const int rowData = rows->fieldIndex(sExternalDataFld);
    if (rowKey < 0 || rowData < 0) {
        rows->close();
        regions->close();
        return;
    }
    QStringList rowCodes;
    QVariantList rowValues;
    for (rows->moveFirst(); !rows->eof(); rows->moveNext()) {
        rowCodes << rows->value(rowKey).toString();
        rowValues << rows->value(rowData);
    }
    const bool numeric = rows->fields().value(rowKey).type != provider::TypeWChar
                         || regions->fields().value(regionKey).type != provider::TypeWChar;
    rows->close();
    QStringList regionCodes;
    regionCodes.reserve(regionCount);
    for (regions->moveFirst(); !regions->eof(); regions->moveNext())
        regionCodes << regions->value(regionKey).toString();
    const codematch::Pairing pairing = codematch::Pair(regionCodes, rowCodes, numeric);
    bool changed = false;
    qsizetype r = 0;
    for (regions->moveFirst(); !regions->eof(); regions->moveNext(), ++r) {
        const int row = pairing.rowOfRegion[std::size_t(r)];
        if (row < 0 || pairing.regionLevel[std::size_t(r)] == codematch::Level::Exact)
            continue;
        regions->setValue(regionData, rowValues.at(row));
        changed = true;
    }
    if (changed)
        regions->updateBatch(provider::AffectAll);
    regions->close();
}

bool AddRelate::joinCollection()
{
    try {
        // The count is read again before each item: the list may change while it is walked.
        for (std::int64_t i = 1; i <= m_dataCollection->Count(); ++i) {
            const DataItem &item = m_dataCollection->Item(i);
            const QString data = QuoteValue(item.sDataValue, m_dataType);
            const QString key = QuoteValue(item.sKeyValue, m_keyType);
            execute(QStringLiteral("UPDATE ") + m_sourceTable + QStringLiteral(" SET ")
                    + m_sourceDataFld + QStringLiteral(" = ") + data + QStringLiteral(" WHERE ")
                    + m_sourceKey + QStringLiteral(" = ") + key);
        }
    } catch (const RunTimeError &error) {
        recordError(error);
        return false;
    }
    m_dataCollection.reset();
    m_joined = true;
    return true;
}

bool AddRelate::JoinedOn(const QString &sourceTable, const QString &externalTable,
                         const QString &sSourceKey, const QString &sSourceDataFld) const
{
    return m_joined && !m_dataCollection && m_sourceTable == sourceTable
           && m_externalTable == externalTable && m_sourceKey == sSourceKey
           && m_sourceDataFld == sSourceDataFld;
}

bool AddRelate::JoinAgain(const QString &sExternalKey, const QString &sExternalDataFld)
{
    if (!m_joined || m_dataCollection)
        return refuse(QStringLiteral("Table not joined!"));
    return checkAndJoinTables(sExternalKey, sExternalDataFld);
}

bool AddRelate::UnJoin()
{
    if (m_sourceTable.isEmpty())
        return refuse(QStringLiteral("Missing Source Table value!"));
    // The key compared with itself: every row whose key is not null gets zero.
    const QString statement = QStringLiteral("UPDATE ") + m_sourceTable + QStringLiteral(" SET ")
                              + m_sourceDataFld + QStringLiteral(" = ")
                              + QuoteValue(QStringLiteral("0"), m_dataType)
                              + QStringLiteral(" WHERE ") + m_sourceKey + QStringLiteral(" = ")
                              + m_sourceKey;
    try {
        execute(statement);
    } catch (const RunTimeError &error) {
        recordError(error, statement);
        return false;
    }
    m_joined = false;
    return true;
}
