#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>

// A dBASE table written through the table provider: text key field(s) and numeric fields.
struct TableSpec {
    QString name;
    QStringList textFields;
    QStringList numberFields;
    QList<QVariantList> rows; // values in the order textFields + numberFields
};

void createTable(const QString &folder, const TableSpec &table);

// The values of one field, by the value of the key field, read through the provider.
QHash<QString, QVariant> readColumn(const QString &folder, const QString &table,
                                    const QString &keyField, const QString &field);

// Records the messages of the libraries (caption "Join" ...).
struct HookMessage {
    QString caption;
    int buttons = 0;
    QString text;
};
QList<HookMessage> &recordHookMessages();
