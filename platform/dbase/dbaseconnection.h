#pragma once

#include "contracts/tableprovider.h"
#include "platform/dbase/sqlexec.h"

#include <QHash>
#include <QSet>

#include <functional>
#include <memory>

class DbfTable;
struct DbfField;

// The provider's connection to one folder of dBASE files. Tables are read on first use and
// kept while the connection is open; a table whose file changed on disk is read again.
// Outside a transaction every change is written at once; inside one, on commit.
class DbaseConnection : public provider::Connection, public sql::TableSource {
public:
    DbaseConnection() = default;
    ~DbaseConnection() override;

    void setConnectionString(const QString &text) override;
    QString connectionString() const override { return m_connectionString; }
    void setMode(int mode) override { m_mode = mode; }
    int mode() const override { return m_mode; }
    void open(const QString &user, const QString &password, int options) override;
    void close() override;
    int state() const override { return m_open ? provider::StateOpen : provider::StateClosed; }
    QString folder() const override { return m_folder; }
    qint64 execute(const QString &statement) override;
    void beginTrans() override;
    void commitTrans() override;
    void rollbackTrans() override;
    const QList<provider::ProviderError> &errors() const override { return m_errors; }
    void clearErrors() override { m_errors.clear(); }

    // sql::TableSource
    std::shared_ptr<DbfTable> table(const QString &name) override;
    void changed(const std::shared_ptr<DbfTable> &table) override;

    // Used by the catalogue and record sets of this provider.
    void requireOpen() const;
    void requireWritable() const;
    QString tablePath(const QString &name) const; // empty when the folder has no such table
    QStringList tableNames() const;
    void createTable(const QString &name, const std::shared_ptr<DbfTable> &table);
    void deleteTable(const QString &name);
    // Writes the table name (new, or replacing the one there) in one pass straight to its file;
    // see DbfTable::writeNumberTemporary. Outside any transaction: the file is complete when
    // this returns.
    void writeNumberTable(const QString &name, const QList<DbfField> &fields,
                          const QString &codePage, const QStringList &keys,
                          const std::function<void(qint64, double *)> &numbers,
                          const std::function<void(qint64)> &written);
    // Drops changes a record set made but never handed over with updateBatch.
    void discardUnsaved(const std::shared_ptr<DbfTable> &table);

    // Runs one provider operation: clears the error list, and records a failure in it
    // before passing it on.
    template <typename F>
    auto guarded(F &&operation) -> decltype(operation())
    {
        m_errors.clear();
        try {
            return operation();
        } catch (const RunTimeError &e) {
            record(e);
            throw;
        } catch (const std::exception &e) {
            record(RunTimeError(provider::ErrGeneral, QString::fromLocal8Bit(e.what())));
            throw RunTimeError(m_errors.back().number, m_errors.back().description,
                               m_errors.back().source);
        }
    }

private:
    struct Entry {
        std::shared_ptr<DbfTable> table;
        QString path;
    };

    void record(const RunTimeError &e);
    void saveTables(const QList<std::shared_ptr<DbfTable>> &tables);
    void savePending();
    void dropPending();
    static QString key(const QString &name) { return name.toLower(); }

    QString m_connectionString;
    QString m_folder;
    int m_mode = provider::ModeReadWrite;
    bool m_open = false;
    bool m_inTransaction = false;
    QHash<QString, Entry> m_tables;
    QList<std::shared_ptr<DbfTable>> m_pending; // changed inside the transaction
    QList<provider::ProviderError> m_errors;
};
