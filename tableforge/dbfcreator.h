#pragma once

#include "contracts/runtimeerror.h"
#include "tableforge/tableprogress.h"
#include "tableforge/textops.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace provider {
class Connection;
struct Column;
}

// Builds the statistics table "STAT" (key field "REGION", value fields "F1".."Fn") from a TQ
// cube file or a semicolon file, and answers questions about a statistics file's header.
// Failures come back as a false or empty result with the text in ErrorMsg; the texts of the
// messages are registered by the caller under fixed tags (AddErrorMsg).
class DBFCreator {
public:
    DBFCreator();
    ~DBFCreator();
    DBFCreator(const DBFCreator &) = delete;
    DBFCreator &operator=(const DBFCreator &) = delete;

    void setProgressBar(TableProgress *progressBar) { m_progressBar = progressBar; }
    TableProgress *ProgressBar() const { return m_progressBar; }
    void setStatTblFld(const QStringList &fields) { m_statTblFld = fields; }
    const QStringList &StatTblFld() const { return m_statTblFld; }
    bool AddErrorMsg(const QString &sErrorMsg, const QString &sTag);
    void setErrorMsg(const QString &text) { m_errorMsg = text; }
    const QString &ErrorMsg() const { return m_errorMsg; }
    void setKeyFld(const QString &name) { m_keyFld = name; }
    const QString &KeyFld() const { return m_keyFld; }
    void setTableName(const QString &name) { m_tableName = name; }
    const QString &TableName() const { return m_tableName; }
    void setMapIniFile(const QString &name) { m_mapIniFile = name; }
    const QString &MapIniFile() const { return m_mapIniFile; }
    void setStatFields(const QStringList &fields) { m_statFields = fields; }
    const QStringList &StatFields() const { return m_statFields; }
    bool CreateTable(const QString &sTQFile, const QString &sDBDir);
    QString GetIniFile(const QString &sTQFile);
    void setDecSeperator(const QString &separator) { m_decSeperator = separator; }
    const QString &DecSeperator() const { return m_decSeperator; }
    void setStatNumDec(const QList<int> &decimals) { m_statNumDec = decimals; }
    const QList<int> &StatNumDec() const { return m_statNumDec; }
    void setNullValue(std::int32_t value) { m_nullValue = value; }
    std::int32_t NullValue() const { return m_nullValue; }
    int NumDecimals() const { return m_numDecimals; }
    void setFormCaption(TableCaption *form) { m_formCaption = form; }
    TableCaption *FormCaption() const { return m_formCaption; }
    QString GetStatInfo();
    QString GetTitle(const QString &sTQFile);
    QString GetValue(const QString &sText);
    // The table the last CreateTable wrote ("<folder>/STAT.dbf") and the key of each of its
    // records, in record order, as the table holds them; empty when the last one failed.
    const QString &BuiltTablePath() const { return m_builtTablePath; }
    const QStringList &BuiltTableCodes() const { return m_regionCodes; }

    // The column (CSV) or dimension (JSON-stat) that holds the region codes; empty for the
    // first column or the dimension with the role "geo". Cube and semicolon files name their
    // own.
    void setKeyColumn(const QString &name) { m_keyColumn = name; }
    const QString &KeyColumn() const { return m_keyColumn; }
    // Where the figures of the last table come from and when (a JSON-stat file's source and
    // updated), for the source line of a sheet; empty for the other formats.
    const QString &SourceText() const { return m_sourceText; }
    // Whether a file is read as a CSV (.csv, .tsv) or JSON-stat (.json, .jsonstat) file:
    // files that name no map definition of their own.
    static bool IsValueFile(const QString &path);
    static bool IsJsonStatFile(const QString &path);

private:
    // The values of region i (0-based), one per field, NaN for no data.
    using RowSource = std::function<void(qsizetype, double *)>;

    QString message(const QString &tag) const;
    void setShortForm(const RunTimeError &error);
    void setLongForm(const RunTimeError &error, const provider::Connection *connection,
                     const QString &step);
    QStringList MakeFieldNames(const QStringList &entries) const;
    void showPercentage();
    void startProgress(qint64 steps, int extra);
    void advanceProgress();

    bool CreateCubeTable(tqtext::FileText &text, const QString &sDBDir, int regionPosition,
                         int statPosition);
    bool CreateTextTable(tqtext::FileText &text, const QString &sTQFile, const QString &sDBDir);
    bool CreateValueTable(const QString &sTQFile, const QString &sDBDir);
    // values: row-major, a row per region, NaN for no data
    bool BuildTable(const QString &sDBDir, const double *values, qsizetype fieldCount);
    bool BuildTable(const QString &sDBDir, const RowSource &row, qsizetype fieldCount);
    bool InsertData(provider::Connection &connection, const QList<provider::Column> &columns,
                    const RowSource &row, qsizetype fieldCount);
    [[noreturn]] void refuseValue(double value, qsizetype region, qsizetype statistic);
    tqtext::FileText readText(const QString &sTQFile);
    // The text GetIniFile read, kept for the CreateTable of the same, unchanged file that
    // normally follows, so a statistics file is read and decoded once per table.
    tqtext::FileText takeKeptText(const QString &sTQFile);
    void reportQueryFailure(const RunTimeError &error);

    QPointer<TableProgress> m_progressBar;
    QPointer<TableCaption> m_formCaption;
    QStringList m_statTblFld;
    QStringList m_statFields;
    QString m_errorMsg;
    QString m_keyFld;
    QString m_tableName;
    QString m_mapIniFile;
    QString m_decSeperator;
    QList<int> m_statNumDec;
    std::int32_t m_nullValue = 0;
    int m_numDecimals = 0;

    QHash<QString, QString> m_messages; // by upper-cased tag
    QStringList m_regionCodes;
    QString m_builtTablePath;
    struct KeptText {
        QString path;
        QDateTime modified;
        qint64 size = -1;
        tqtext::FileText text;
    } m_keptText;
    QString m_statVariable;
    QString m_keyColumn;
    QString m_sourceText;
    std::optional<QStringList> m_statInfo;
    qint64 m_stepCount = 0;
    qint64 m_currentStep = 0;
    qint64 m_shownStep = 0; // the step the progress bar was last told of
    QString m_baseCaption;
};
