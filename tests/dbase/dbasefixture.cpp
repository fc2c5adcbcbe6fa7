#include "dbasefixture.h"

#include "platform/dbase/dbaseprovider.h"

#include <QCryptographicHash>
#include <QFile>

using namespace provider;

std::unique_ptr<Connection> openDbase(const QString &folder, int mode)
{
    auto c = createDbaseConnection();
    c->setConnectionString(QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + folder
                           + QStringLiteral(";Extended Properties=dBASE 5.0;"));
    c->setMode(mode);
    c->open();
    return c;
}

void makeDbaseTable(const QString &folder, const QString &name, const QStringList &codes,
                    const QVariantList &values, int precision, int decimals)
{
    auto c = openDbase(folder);
    auto cat = createDbaseCatalog();
    cat->setActiveConnection(c.get());
    try {
        cat->deleteTable(name);
    } catch (const RunTimeError &) {
    }
    cat->appendTable(name, {Column{QStringLiteral("REGION"), TypeWChar, 4, 0, 0},
                            Column{QStringLiteral("F1"), TypeDouble, 0, precision, decimals}});
    auto rs = createDbaseRecordset();
    rs->open(name, c.get(), CmdTable);
    c->beginTrans();
    for (int i = 0; i < codes.size(); ++i) {
        rs->addNew();
        rs->setValue(0, codes[i]);
        rs->setValue(QStringLiteral("F1"), values[i]);
    }
    rs->updateBatch();
    c->commitTrans();
    rs->close();
}

QByteArray fileHash(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1);
}
