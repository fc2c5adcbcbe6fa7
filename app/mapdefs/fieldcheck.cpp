#include "app/mapdefs/fieldcheck.h"

#include "app/runtime/messagetable.h"
#include "kitbag/kbread.h"

#include <QFile>
#include <QFileInfo>

#include <shapefil.h>

QStringList TableFieldNames(const QString &dbfPath)
{
    if (!kbread::isRegularFile(dbfPath))
        return {};
    DBFHandle table = DBFOpen(QFile::encodeName(dbfPath).constData(), "rb");
    if (!table)
        return {};
    QStringList names;
    const int count = DBFGetFieldCount(table);
    for (int i = 0; i < count; ++i) {
        char name[XBASE_FLDNAME_LEN_READ + 1] = {};
        DBFGetFieldInfo(table, i, name, nullptr, nullptr);
        names.append(QString::fromLatin1(name));
    }
    DBFClose(table);
    return names;
}

QString MissingFieldText(const QString &field, const QString &dbfPath)
{
    const QString wanted = field.trimmed();
    if (wanted.isEmpty())
        return QString();
    const QStringList names = TableFieldNames(dbfPath);
    if (names.isEmpty() || names.contains(wanted, Qt::CaseInsensitive))
        return QString();
    QString missing = MessageText(QStringLiteral("FieldError"));
    missing.replace(QStringLiteral("<SHAPE>"), QFileInfo(dbfPath).fileName());
    return wanted + u' ' + missing + QStringLiteral("\r\n")
           + MessageText(QStringLiteral("TableFields")) + u' '
           + names.join(QStringLiteral(", "));
}
