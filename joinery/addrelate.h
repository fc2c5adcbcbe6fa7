#pragma once

#include "joinery/datacollection.h"
#include "joinery/fieldtype.h"

#include <QString>

#include <cstdint>
#include <memory>

class RunTimeError;
namespace provider {
class Connection;
}

// Copies statistics values into a numeric field of a layer's attribute table (the source
// table) and undoes it. In table mode the values come from a second table in the same folder
// (the external table) by key, in two set-based UPDATE statements; in collection mode from a
// DataCollection of key/value pairs, one UPDATE per pair.
//
// Validation failures show a message with the caption "Join" through the message hook and
// return false. Provider and run-time errors are recorded in ErrorMsg, ErrorNum and
// NativErrorNum (an earlier, uncleared ErrorMsg is kept) and return false.
class AddRelate {
public:
    AddRelate();
    ~AddRelate();
    AddRelate(const AddRelate &) = delete;
    AddRelate &operator=(const AddRelate &) = delete;

    bool Joined() const { return m_joined; }

    // Reading creates an empty collection when none is present; from then on Join works in
    // collection mode. Writing stores the given reference (or none).
    DataCollectionPtr DataCollection();
    void setDataCollection(DataCollectionPtr collection);
    bool hasDataCollection() const { return m_dataCollection != nullptr; }

    // While joined, writes to ExternalTable, SourceTable and DBPath are ignored.
    const QString &ExternalTable() const { return m_externalTable; }
    void setExternalTable(const QString &name);
    const QString &SourceTable() const { return m_sourceTable; }
    void setSourceTable(const QString &name);
    const QString &DBPath() const { return m_dbPath; }
    void setDBPath(const QString &path);

    const QString &ErrorMsg() const { return m_errorMsg; }
    void setErrorMsg(const QString &text) { m_errorMsg = text; }
    std::int32_t ErrorNum() const { return m_errorNum; }
    void setErrorNum(std::int32_t number) { m_errorNum = number; }
    std::int32_t NativErrorNum() const { return m_nativErrorNum; }
    void setNativErrorNum(std::int32_t number) { m_nativErrorNum = number; }

    bool Connect();
    bool Disconnect();

    // sExternalKey and sExternalDataFld may be empty in collection mode.
    bool Join(const QString &sSourceKey, FieldType KeyType, const QString &sSourceDataFld,
              FieldType DataType, const QString &sExternalKey = QString(),
              const QString &sExternalDataFld = QString());
    bool UnJoin();

    // True while the source table is joined in table mode on sSourceDataFld by sSourceKey
    // with externalTable: then JoinAgain fills the field with another column.
    bool JoinedOn(const QString &sourceTable, const QString &externalTable,
                  const QString &sSourceKey, const QString &sSourceDataFld) const;
    // Fills the joined field with another column of the external table, leaving the table as
    // UnJoin followed by Join would: every row is preset with the null value before the copy,
    // so nothing of the old column is left. Spares UnJoin's own pass and write of the table.
    // On failure the table keeps the old column and stays joined.
    bool JoinAgain(const QString &sExternalKey, const QString &sExternalDataFld);

    void SetNullValue(std::int32_t vData);
    std::int32_t GetNullValue() const { return m_nullValue; }

private:
    bool checkAndJoinTables(const QString &sExternalKey, const QString &sExternalDataFld);
    bool joinTables(const QString &sExternalKey, const QString &sExternalDataFld);
    bool joinCollection();
    void fillLooseMatches(const QString &sExternalKey, const QString &sExternalDataFld,
                          qint64 matched);
    void computeNullValue(const QString &sExternalDataFld);
    void execute(const QString &statement);
    provider::Connection &openConnection();
    void recordError(const RunTimeError &error, const QString &statement = QString(),
                     bool fromDisconnect = false);
    void dropConnection();
    void rollBack();

    QString m_dbPath;
    QString m_sourceTable;
    QString m_externalTable;
    QString m_errorMsg;
    std::int32_t m_errorNum = 0;
    std::int32_t m_nativErrorNum = 0;
    bool m_joined = false;
    DataCollectionPtr m_dataCollection;
    std::int32_t m_nullValue = 0;
    bool m_nullValueFixed = false;
    std::unique_ptr<provider::Connection> m_connection;

    // Arguments of the last Join; UnJoin uses them.
    QString m_sourceKey;
    FieldType m_keyType = FieldType(0);
    QString m_sourceDataFld;
    FieldType m_dataType = FieldType(0);
};
