#pragma once

#include "contracts/runtimeerror.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdint>
#include <memory>

// The dBASE table provider: every table of the system is a .dbf file in one folder, reached
// through a connection, a table catalogue and record sets, and changed with SQL statements.
//
// Failure: every failed operation appends one entry to the connection's error list AND throws
// RunTimeError (same number and description). Callers catch the error and build their message
// from the connection's error list (see providerErrorReport).
//
// Values: text cells are QString (trailing blanks removed), numeric cells double, logical
// cells bool, date cells QDate; an empty (NULL) cell is a null QVariant.
namespace provider {

// Error numbers the provider reports.
enum ErrorNumber : std::int32_t {
    ErrMissingParameter = -2147217904, // a statement names a field the table lacks
    ErrSyntax = -2147217900,           // a statement that cannot be parsed
    ErrNoTable = -2147217865,          // the statement or operation names no existing table
    ErrGeneral = -2147467259,          // file errors, bad values, wrong state
};

// One entry of the connection's error list.
struct ProviderError {
    std::int32_t number = 0;
    QString description;
    QString source;
    QString sqlState;
    std::int32_t nativeError = 0;
    QString helpFile;
    std::int32_t helpContext = 0;
};

enum ConnectMode { ModeRead = 1, ModeReadWrite = 3 };
enum ObjectState { StateClosed = 0, StateOpen = 1 };
enum ColumnType { TypeDouble = 5, TypeWChar = 130 };
enum CursorType { CursorForwardOnly = 0, CursorKeyset = 1 };
enum LockType { LockOptimistic = 3, LockBatchOptimistic = 4 };
enum CommandOption { CmdText = -1, CmdTable = 2 };
enum AffectRecords { AffectAll = 3 };

// A column of a table: type 130 (text, definedSize characters) or 5 (double, precision
// digits, numericScale decimals). Columns read from existing tables may have other types.
struct Column {
    QString name;
    int type = TypeWChar;
    int definedSize = 0;
    int precision = 0;
    int numericScale = 0;
};

class Connection {
public:
    virtual ~Connection() = default;

    // "Provider=...;Data Source=<folder>;Extended Properties=dBASE 5.0;"
    virtual void setConnectionString(const QString &text) = 0;
    virtual QString connectionString() const = 0;
    // 1 read only, 3 read/write; set before open.
    virtual void setMode(int mode) = 0;
    virtual int mode() const = 0;
    virtual void open(const QString &user = QString(), const QString &password = QString(),
                      int options = -1) = 0;
    // Closing with an open transaction abandons it: the files stay as they were.
    virtual void close() = 0;
    virtual int state() const = 0;
    // The folder named by "Data Source" (valid once open).
    virtual QString folder() const = 0;

    // Runs one statement. A SELECT is checked and evaluated but its rows are dropped; use a
    // Recordset to read them. Returns the number of records affected.
    virtual qint64 execute(const QString &statement) = 0;

    // Changes made between begin and commit are written to the files on commit, each table
    // by a temporary file renamed over the old one. rollbackTrans (or close, or a failure
    // during commit) leaves the files as they were.
    virtual void beginTrans() = 0;
    virtual void commitTrans() = 0;
    virtual void rollbackTrans() = 0;

    virtual const QList<ProviderError> &errors() const = 0;
    virtual void clearErrors() = 0;
};

class Catalog {
public:
    virtual ~Catalog() = default;

    virtual void setActiveConnection(Connection *connection) = 0;
    // Table names are file names without ".dbf" in the connection's folder.
    virtual QStringList tables() const = 0;
    virtual void deleteTable(const QString &name) = 0;
    // Creates the table with the columns and appends it to the catalogue.
    virtual void appendTable(const QString &name, const QList<Column> &columns) = 0;
    virtual QList<Column> columns(const QString &name) const = 0;
};

class Recordset {
public:
    virtual ~Recordset() = default;

    virtual void setCursorType(int cursorType) = 0;
    virtual void setLockType(int lockType) = 0;
    // source is a table name (options 2) or a statement (options -1).
    virtual void open(const QString &source, Connection *connection,
                      int options = CmdText) = 0;
    virtual void close() = 0;
    virtual int state() const = 0;

    virtual QList<Column> fields() const = 0;
    virtual int fieldCount() const = 0;
    virtual int fieldIndex(const QString &name) const = 0; // -1 when absent
    virtual QVariant value(int index) const = 0;
    virtual QVariant value(const QString &name) const = 0;
    virtual void setValue(int index, const QVariant &value) = 0;
    virtual void setValue(const QString &name, const QVariant &value) = 0;

    // Appends an empty record and makes it current.
    virtual void addNew() = 0;
    virtual void moveFirst() = 0;
    virtual void moveNext() = 0;
    virtual bool eof() const = 0;
    virtual qint64 recordCount() const = 0;
    // Writes every pending change of a table record set (affect 3 = all) to the file.
    virtual void updateBatch(int affect = AffectAll) = 0;
};

// Text in the layout of the provider-error report: one block per entry of the connection's
// error list, then one block for the run-time error. Each line ends with a carriage return.
QString providerErrorReport(const QList<ProviderError> &errors, const RunTimeError &error);
// The blocks of that report: one provider error (number, description, source, SQL state,
// native error), the run-time error (with its "Last DLL Error"), and the help lines that end
// each block ("No Help file available", or the help file and context) with an empty line.
QString providerErrorBlock(const ProviderError &error);
QString runTimeErrorBlock(const RunTimeError &error);
QString errorHelpLines(const QString &helpFile, std::int32_t helpContext);

} // namespace provider
