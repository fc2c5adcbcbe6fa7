#include "mapdefsfixture.h"

#include "app/mapdefs/creadmapfile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QMap>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>

#include <shapefil.h>

namespace {
// Every file below folder with the hash of its bytes.
QMap<QString, QByteArray> fingerprint(const QString &folder)
{
    QMap<QString, QByteArray> hashes;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            hashes.insert(path, QCryptographicHash::hash(file.readAll(),
                                                         QCryptographicHash::Sha256));
    }
    return hashes;
}

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Table {
    QStringList fields;
    QList<QStringList> rows; // raw cell texts, row by row
    QList<bool> statNull;
};

Table readTable(const QString &path)
{
    Table table;
    DBFHandle dbf = DBFOpen(QFile::encodeName(path).constData(), "rb");
    if (!dbf)
        return table;
    int stat = -1;
    for (int i = 0; i < DBFGetFieldCount(dbf); ++i) {
        char name[XBASE_FLDNAME_LEN_READ + 1] = {};
        DBFGetFieldInfo(dbf, i, name, nullptr, nullptr);
        table.fields << QString::fromLatin1(name);
        if (table.fields.last() == QStringLiteral("STAT"))
            stat = i;
    }
    for (int r = 0; r < DBFGetRecordCount(dbf); ++r) {
        QStringList cells;
        for (int i = 0; i < DBFGetFieldCount(dbf); ++i) {
            if (i != stat)
                cells << QString::fromLatin1(DBFReadStringAttribute(dbf, r, i));
        }
        table.rows << cells;
        table.statNull << (stat >= 0 && DBFIsAttributeNULL(dbf, r, stat));
    }
    DBFClose(dbf);
    return table;
}
} // namespace

// Working copies of the layer tables: copied shapefile sets, the added field "STAT", progress
// display, distinct names, deletion of stale copies, and sources left untouched.
class TestLayerTables : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_source;

    QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_source = path(QStringLiteral("source"));
        // Two maps whose region shapefiles share the base name "regions" in different folders,
        // the second with a second shapefile of the same name.
        copySampleShapefile(QStringLiteral("nc_counties"), m_source + QStringLiteral("/a"),
                            QStringLiteral("regions"));
        copySampleShapefile(QStringLiteral("world"), m_source + QStringLiteral("/b"),
                            QStringLiteral("regions"));
        copySampleShapefile(QStringLiteral("ny8_tracts"), m_source + QStringLiteral("/b/lines"),
                            QStringLiteral("regions"));
        writeFile(m_source + QStringLiteral("/maps.ini"),
                  "[MAPS]\nNumMaps=2\n1=a\\regions.shp\n2=b\\regions.shp\nE2=b\\lines\\regions.shp\n");
        writeFile(m_source + QStringLiteral("/one.ini"), "[MAPS]\nNumMaps=1\n1=b\\regions.shp\n");
    }

    void copiesKeepRowsAndFieldsAndAddStat()
    {
        QList<RecordedMessage> &messages = recordMessages();
        const QMap<QString, QByteArray> before = fingerprint(m_source);
        const QString work = path(QStringLiteral("work1"));
        CReadMapFile reader;
        reader.IniFile = m_source + QStringLiteral("/maps.ini");
        QProgressBar bar;
        QLabel label(QStringLiteral("Reading"));
        reader.Progressbar = &bar;
        reader.FormCaption = &label;
        QVERIFY(reader.GetMapFileCollection().has_value());
        reader.CopyFiles(work, false);
        QVERIFY2(messages.isEmpty(), qPrintable(messages.value(0).text));
        QCOMPARE(reader.GetPathDir(), work);

        // Each copy has its own name and the records point to them.
        const QList<CMaps> &maps = *reader.MapList();
        QCOMPARE(maps[0].sFileName(), work + QStringLiteral("/Regions.shp"));
        QCOMPARE(maps[1].sFileName(), work + QStringLiteral("/Regions_2.shp"));
        QCOMPARE(maps[1].sTableName(), QStringLiteral("Regions_2"));
        QCOMPARE(maps[1].sEFileName(), work + QStringLiteral("/regions_3.shp"));

        const QStringList sources = {m_source + QStringLiteral("/a/regions"),
                                     m_source + QStringLiteral("/b/regions"),
                                     m_source + QStringLiteral("/b/lines/regions")};
        const QStringList copies = {work + QStringLiteral("/Regions"),
                                    work + QStringLiteral("/Regions_2"),
                                    work + QStringLiteral("/regions_3")};
        for (int i = 0; i < 3; ++i) {
            for (const char *extension : {".shp", ".shx"}) {
                const QString ext = QString::fromLatin1(extension);
                QCOMPARE(bytesOf(copies[i] + ext), bytesOf(sources[i] + ext));
            }
            const Table source = readTable(sources[i] + QStringLiteral(".dbf"));
            const Table copy = readTable(copies[i] + QStringLiteral(".dbf"));
            QVERIFY(!source.rows.isEmpty());
            QCOMPARE(copy.rows, source.rows);
            if (i < 2) {
                QCOMPARE(copy.fields, source.fields + QStringList{QStringLiteral("STAT")});
                QVERIFY(!copy.statNull.contains(false));
            } else {
                QCOMPARE(copy.fields, source.fields); // second shapefiles get no STAT
            }
        }
        QVERIFY(!QFile::exists(work + QStringLiteral("/ChorelTMP.dbf")));
        QCOMPARE(fingerprint(m_source), before);
        QVERIFY(bar.isHidden());
        QCOMPARE(bar.maximum(), 4);
        QCOMPARE(bar.value(), 4);
        QCOMPARE(label.text(), QStringLiteral("Reading"));
    }

    void renewalDeletesStaleCopies()
    {
        recordMessages();
        const QString work = path(QStringLiteral("work2"));
        CReadMapFile reader;
        reader.IniFile = m_source + QStringLiteral("/maps.ini");
        reader.GetMapFileCollection();
        reader.CopyFiles(work, false);
        writeFile(work + QStringLiteral("/STAT.dbf"), "x");
        reader.StatTableName = QStringLiteral("STAT");
        QVERIFY(QFile::exists(work + QStringLiteral("/regions_3.dbf")));

        reader.IniFile = m_source + QStringLiteral("/one.ini");
        reader.CopyFiles(work, true);
        QCOMPARE(reader.MapList()->size(), 1);
        QStringList left = QDir(work).entryList(QDir::Files);
        left.sort();
        QCOMPARE(left, (QStringList{QStringLiteral("Regions.dbf"), QStringLiteral("Regions.shp"),
                                    QStringLiteral("Regions.shx")}));
        // The second run copied the world map, which now has the first name.
        QCOMPARE(bytesOf(work + QStringLiteral("/Regions.shp")),
                 bytesOf(m_source + QStringLiteral("/b/regions.shp")));
    }

    void killFilesNeverDeletesSources()
    {
        const QMap<QString, QByteArray> before = fingerprint(m_source);
        CReadMapFile reader;
        reader.IniFile = m_source + QStringLiteral("/maps.ini");
        reader.GetMapFileCollection();
        reader.LayerFolder = path(QStringLiteral("work3"));
        reader.KillFiles();
        QVERIFY(!reader.MapList().has_value());
        QCOMPARE(fingerprint(m_source), before);
    }

    void createFldReplacesAnOldStatAndFailsCleanly()
    {
        QList<RecordedMessage> &messages = recordMessages();
        const QString work = path(QStringLiteral("work4"));
        copySampleShapefile(QStringLiteral("nc_counties"), work, QStringLiteral("Twice"));
        CReadMapFile reader;
        QVERIFY(reader.CreateFLD(work, QStringLiteral("Twice")));
        QVERIFY(reader.CreateFLD(work, QStringLiteral("Twice")));
        const Table table = readTable(work + QStringLiteral("/Twice.dbf"));
        QCOMPARE(table.fields.count(QStringLiteral("STAT")), 1);
        QCOMPARE(table.fields.last(), QStringLiteral("STAT"));
        QCOMPARE(table.rows.size(), 100);
        QVERIFY(messages.isEmpty());

        QVERIFY(!reader.CreateFLD(work, QStringLiteral("Absent")));
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].caption, QStringLiteral("Chorel (CreateFLD)"));
        QVERIFY(messages[0].text.startsWith(QStringLiteral("Error #")));
        QVERIFY(!QFile::exists(work + QStringLiteral("/ChorelTMP.dbf")));
    }
};

QTEST_MAIN(TestLayerTables)
#include "tst_layertables.moc"
