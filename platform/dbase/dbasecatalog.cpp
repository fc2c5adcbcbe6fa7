#include "platform/dbase/dbaseprovider.h"

#include "platform/dbase/dbaseconnection.h"
#include "platform/dbase/dbftable.h"
#include "platform/dbase/providerfailure.h"

namespace {

DbaseConnection *ourConnection(provider::Connection *connection)
{
    auto *c = dynamic_cast<DbaseConnection *>(connection);
    if (!c)
        throw RunTimeError(provider::ErrGeneral,
                           QStringLiteral("The connection does not belong to the dBASE provider."),
                           providerSource());
    return c;
}

// A column as the catalogue reports it: text 130, numbers 5, logical 11, date 7.
provider::Column describe(const DbfField &f)
{
    provider::Column c;
    c.name = f.name;
    c.definedSize = f.width;
    if (f.isNumeric()) {
        c.type = provider::TypeDouble;
        c.precision = std::max(1, f.width - 1 - (f.decimals > 0 ? 1 : 0));
        c.numericScale = f.decimals;
    } else if (f.type == 'L') {
        c.type = 11;
    } else if (f.type == 'D') {
        c.type = 7;
    } else {
        c.type = provider::TypeWChar;
    }
    return c;
}

DbfField fieldFor(const provider::Column &c)
{
    DbfField f;
    f.name = c.name.trimmed();
    if (f.name.isEmpty() || f.name.size() > 10 || f.name.toLatin1() != f.name.toUtf8())
        failGeneral(QStringLiteral("'%1' is not a valid dBASE field name (1 to 10 plain "
                                   "characters).")
                        .arg(c.name));
    if (c.type == provider::TypeWChar) {
        if (c.definedSize < 0 || c.definedSize > 254)
            failGeneral(QStringLiteral("Field '%1': a text field holds 1 to 254 characters.").arg(f.name));
        f.type = 'C';
        f.width = std::max(1, c.definedSize);
    } else if (c.type == provider::TypeDouble) {
        if (c.precision < 1 || c.precision > 30 || c.numericScale < 0 || c.numericScale > 15)
            failGeneral(QStringLiteral("Field '%1': precision %2 with scale %3 is not supported.")
                            .arg(f.name)
                            .arg(c.precision)
                            .arg(c.numericScale));
        f.type = 'N';
        f.decimals = c.numericScale;
        // sign, digits and the decimal point; wider values widen the field when written
        f.width = c.precision + 1 + (c.numericScale > 0 ? 1 : 0);
    } else {
        failGeneral(QStringLiteral("Field '%1': column type %2 is not supported.").arg(f.name).arg(c.type));
    }
    return f;
}

// Tables this provider creates say that their texts are UTF-8.
const QString kNewTableCodePage = QStringLiteral("UTF-8");

QList<DbfField> fieldsFor(const QString &table, const QList<provider::Column> &columns)
{
    if (columns.isEmpty())
        failGeneral(QStringLiteral("The table '%1' needs at least one column.").arg(table));
    QList<DbfField> fields;
    for (const provider::Column &c : columns) {
        fields.append(fieldFor(c));
        for (int i = 0; i + 1 < fields.size(); ++i) {
            if (fields[i].name.compare(fields.back().name, Qt::CaseInsensitive) == 0)
                failGeneral(QStringLiteral("The field name '%1' appears twice.").arg(c.name));
        }
    }
    return fields;
}

class DbaseCatalog : public provider::Catalog {
public:
    void setActiveConnection(provider::Connection *connection) override
    {
        m_connection = ourConnection(connection);
    }

    QStringList tables() const override
    {
        return connection()->guarded([&] {
            connection()->requireOpen();
            return connection()->tableNames();
        });
    }

    void deleteTable(const QString &name) override
    {
        connection()->guarded([&] { connection()->deleteTable(name); });
    }

    void appendTable(const QString &name, const QList<provider::Column> &columns) override
    {
        connection()->guarded([&] {
            auto table = std::make_shared<DbfTable>(name, fieldsFor(name, columns));
            table->setCodePage(kNewTableCodePage);
            connection()->createTable(name, table);
        });
    }

    QList<provider::Column> columns(const QString &name) const override
    {
        return connection()->guarded([&] {
            QList<provider::Column> list;
            for (const DbfField &f : connection()->table(name)->fields())
                list.append(describe(f));
            return list;
        });
    }

private:
    DbaseConnection *connection() const
    {
        if (!m_connection)
            throw RunTimeError(provider::ErrGeneral,
                               QStringLiteral("The catalogue has no active connection."),
                               providerSource());
        return m_connection;
    }

    DbaseConnection *m_connection = nullptr;
};

} // namespace

std::unique_ptr<provider::Connection> createDbaseConnection()
{
    return std::make_unique<DbaseConnection>();
}

std::unique_ptr<provider::Catalog> createDbaseCatalog()
{
    return std::make_unique<DbaseCatalog>();
}

void writeDbaseNumberTable(provider::Connection &connection, const QString &name,
                           const QList<provider::Column> &columns, const QStringList &keys,
                           const std::function<void(qint64, double *)> &numbers,
                           const std::function<void(qint64)> &written)
{
    DbaseConnection *c = ourConnection(&connection);
    c->guarded([&] {
        c->writeNumberTable(name.trimmed(), fieldsFor(name, columns), kNewTableCodePage, keys,
                            numbers, written);
    });
}
