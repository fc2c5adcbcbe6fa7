#include "platform/dbase/dbaseprovider.h"

#include "platform/dbase/dbaseconnection.h"
#include "platform/dbase/dbftable.h"
#include "platform/dbase/providerfailure.h"
#include "platform/dbase/sqlexec.h"

namespace {

// A record set on a whole table (changes go to the table) or on the result of a SELECT
// (read only).
class DbaseRecordset : public provider::Recordset {
public:
    ~DbaseRecordset() override
    {
        if (m_table && m_writable && m_connection)
            m_connection->discardUnsaved(m_table);
    }

    void setCursorType(int cursorType) override { m_cursorType = cursorType; }
    void setLockType(int lockType) override { m_lockType = lockType; }

    void open(const QString &source, provider::Connection *connection, int options) override
    {
        auto *c = dynamic_cast<DbaseConnection *>(connection);
        if (!c)
            throw RunTimeError(provider::ErrGeneral,
                               QStringLiteral("The connection does not belong to the dBASE provider."),
                               providerSource());
        c->guarded([&] {
            if (m_table)
                failGeneral(QStringLiteral("The record set is already open."));
            c->requireOpen();
            if (options == provider::CmdTable) {
                m_table = c->table(source.trimmed());
                m_writable = c->mode() == provider::ModeReadWrite;
            } else {
                const sql::Statement parsed = sql::parse(source);
                const auto *select = std::get_if<sql::SelectStmt>(&parsed);
                if (!select)
                    failGeneral(QStringLiteral("Only a SELECT statement opens a record set."));
                m_table = sql::runSelect(*select, *c);
                m_writable = false;
            }
            m_connection = c;
            m_row = 0;
        });
    }

    void close() override
    {
        guarded([&] {
            if (m_writable)
                m_connection->discardUnsaved(m_table);
            m_table.reset();
            m_connection = nullptr;
        });
    }

    int state() const override { return m_table ? provider::StateOpen : provider::StateClosed; }

    QList<provider::Column> fields() const override
    {
        QList<provider::Column> list;
        if (!m_table)
            return list;
        for (const DbfField &f : m_table->fields()) {
            provider::Column c;
            c.name = f.name;
            c.type = f.isNumeric() ? provider::TypeDouble : provider::TypeWChar;
            c.definedSize = f.width;
            c.numericScale = f.decimals;
            list.append(c);
        }
        return list;
    }

    int fieldCount() const override { return m_table ? int(m_table->fields().size()) : 0; }
    int fieldIndex(const QString &name) const override
    {
        return m_table ? m_table->fieldIndex(name) : -1;
    }

    QVariant value(int index) const override
    {
        return guarded([&] { return m_table->value(currentRow(), checkedField(index)); });
    }
    QVariant value(const QString &name) const override
    {
        return guarded([&] { return m_table->value(currentRow(), namedField(name)); });
    }
    void setValue(int index, const QVariant &value) override
    {
        guarded([&] { write(checkedField(index), value); });
    }
    void setValue(const QString &name, const QVariant &value) override
    {
        guarded([&] { write(namedField(name), value); });
    }

    void addNew() override
    {
        guarded([&] {
            requireWritable();
            m_row = m_table->addRow();
        });
    }
    void moveFirst() override
    {
        guarded([&] { m_row = 0; });
    }
    void moveNext() override
    {
        guarded([&] {
            if (eof())
                failGeneral(QStringLiteral("Either BOF or EOF is True: there is no next record."));
            ++m_row;
        });
    }
    bool eof() const override { return !m_table || m_row >= m_table->rowCount(); }
    qint64 recordCount() const override { return m_table ? m_table->rowCount() : -1; }

    void updateBatch(int) override
    {
        guarded([&] {
            requireWritable();
            if (m_table->isDirty())
                m_connection->changed(m_table);
        });
    }

private:
    template <typename F>
    auto guarded(F &&operation) const -> decltype(operation())
    {
        if (!m_table || !m_connection)
            throw RunTimeError(provider::ErrGeneral,
                               QStringLiteral("Operation is not allowed when the record set is closed."),
                               providerSource());
        return m_connection->guarded(operation);
    }

    qint64 currentRow() const
    {
        if (eof())
            failGeneral(QStringLiteral("Either BOF or EOF is True: there is no current record."));
        return m_row;
    }
    int checkedField(int index) const
    {
        if (index < 0 || index >= m_table->fields().size())
            failGeneral(QStringLiteral("Item %1 cannot be found: the record set has %2 fields.")
                            .arg(index)
                            .arg(m_table->fields().size()));
        return index;
    }
    int namedField(const QString &name) const
    {
        const int i = m_table->fieldIndex(name);
        if (i < 0)
            failGeneral(QStringLiteral("Item '%1' cannot be found in the fields of '%2'.")
                            .arg(name, m_table->name()));
        return i;
    }
    void requireWritable() const
    {
        if (!m_writable)
            failGeneral(QStringLiteral("Cannot update: the record set is read-only."));
    }
    void write(int field, const QVariant &value)
    {
        requireWritable();
        m_table->setValue(currentRow(), field, value);
    }

    std::shared_ptr<DbfTable> m_table;
    DbaseConnection *m_connection = nullptr;
    qint64 m_row = 0;
    bool m_writable = false;
    int m_cursorType = provider::CursorForwardOnly;
    int m_lockType = provider::LockOptimistic;
};

} // namespace

std::unique_ptr<provider::Recordset> createDbaseRecordset()
{
    return std::make_unique<DbaseRecordset>();
}
