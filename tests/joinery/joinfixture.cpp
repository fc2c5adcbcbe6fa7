#include "joinfixture.h"

#include "contracts/messagehook.h"
#include "platform/dbase/dbaseprovider.h"

#include <QHash>

namespace {
std::unique_ptr<provider::Connection> connect(const QString &folder)
{
    auto connection = createDbaseConnection();
    connection->setMode(provider::ModeReadWrite);
    connection->setConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=")
                                    + folder + QStringLiteral(";Extended Properties=dBASE 5.0;"));
    connection->open();
    return connection;
}
} // namespace

void createTable(const QString &folder, const TableSpec &table)
{
    auto connection = connect(folder);
    QList<provider::Column> columns;
    for (const QString &name : table.textFields)
        columns.append({name, provider::TypeWChar, 20, 0, 0});
    for (const QString &name : table.numberFields)
        columns.append({name, provider::TypeDouble, 0, 15, 4});
    auto catalog = createDbaseCatalog();
    catalog->setActiveConnection(connection.get());
    if (catalog->tables().contains(table.name, Qt::CaseInsensitive))
        catalog->deleteTable(table.name);
    catalog->appendTable(table.name, columns);
    auto records = createDbaseRecordset();
    records->setCursorType(provider::CursorKeyset);
    records->setLockType(provider::LockBatchOptimistic);
    records->open(table.name, connection.get(), provider::CmdTable);
    for (const QVariantList &row : table.rows) {
        records->addNew();
        for (int i = 0; i < row.size(); ++i)
            records->setValue(i, row[i]);
    }
    records->updateBatch();
    records->close();
    connection->close();
}

QHash<QString, QVariant> readColumn(const QString &folder, const QString &table,
                                    const QString &keyField, const QString &field)
{
    auto connection = connect(folder);
    auto records = createDbaseRecordset();
    records->open(table, connection.get(), provider::CmdTable);
    QHash<QString, QVariant> values;
    for (records->moveFirst(); !records->eof(); records->moveNext())
        values.insert(records->value(keyField).toString(), records->value(field));
    records->close();
    return values;
}

QList<HookMessage> &recordHookMessages()
{
    static QList<HookMessage> messages;
    messages.clear();
    setMessageHook([](const QString &caption, int buttons, const QString &text) {
        messages.append({caption, buttons, text});
    });
    return messages;
}
