#include "joinfixture.h"

#include "app/runtime/messagetable.h"
#include "app/mapdefs/creadmapfile.h"
#include "joinery/addrelate.h"
#include "tableforge/dbfcreator.h"
#include "tableforge/tableprogress.h"

#include <QTemporaryDir>
#include <QTest>

// The road of each sample statistics file into its map's layer table: the map definition is
// read, the layer tables copied into a working folder, the statistics table built from the
// sample file, and column 1 joined by key. The values expected were read off the statistics
// files by hand.
using Expected = QList<QPair<QString, double>>;

class TestSampleJoins : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { recordHookMessages(); }

    void sampleJoin_data()
    {
        QTest::addColumn<QString>("ini");
        QTest::addColumn<QString>("statistics");
        QTest::addColumn<bool>("fixNullValue");
        QTest::addColumn<int>("keys"); // distinct keys of the layer table
        // key -> expected value; NaN stands for the null value of the join
        QTest::addColumn<Expected>("expected");
        const double null = qQNaN();
        QTest::newRow("NC births 1974-78")
            << "NC.INI" << "nc_births_74.tq" << false << 100
            << Expected{
                   {"37001", 4672}, {"37183", 14484}, {"37063", 7970}, {"37119", 21588}};
        QTest::newRow("NY leukaemia")
            << "NY8.INI" << "ny_leukaemia.tq" << false << 281
            << Expected{{"36007000100", 3540},
                                             {"36007000200", 3560},
                                             {"36109992300", 2029}};
        QTest::newRow("World 2014")
            << "WORLD.INI" << "world_2014.sdv" << true << 176
            << Expected{
                   {"AT", 8546356}, {"AE", 9070867}, {"FR", null}, {"NO", null}, {"", null}};
    }

    void sampleJoin()
    {
        QFETCH(QString, ini);
        QFETCH(QString, statistics);
        QFETCH(bool, fixNullValue);
        QFETCH(int, keys);
        QFETCH(Expected, expected);
        const QString samples = qEnvironmentVariable("CHOREL_SAMPLES");
        QTemporaryDir work;
        QVERIFY(work.isValid());

        CReadMapFile reader;
        reader.IniFile = samples + QStringLiteral("/Maps/") + ini;
        QVERIFY(reader.GetMapFileCollection().has_value());
        reader.CopyFiles(work.path(), false);
        const CMaps &map = reader.MapList()->at(0);
        QCOMPARE(map.sFileName(), work.filePath(map.sTableName() + QStringLiteral(".shp")));

        DBFCreator creator;
        TableProgress progress;
        creator.setProgressBar(&progress);
        for (const BuilderMessage &message : BuilderMessages())
            creator.AddErrorMsg(message.english, message.tag);
        QVERIFY2(creator.CreateTable(samples + QStringLiteral("/TQ-files/") + statistics,
                                     work.path()),
                 qPrintable(creator.ErrorMsg()));

        AddRelate join;
        join.setDBPath(work.path());
        if (fixNullValue)
            join.SetNullValue(creator.NullValue());
        QVERIFY(join.Connect());
        join.setSourceTable(map.sTableName());
        join.setExternalTable(creator.TableName());
        const QList<CFields> fields = reader.GetFields(1);
        QVERIFY2(join.Join(fields[0].sPhysical, STRINGFLD, reader.GetStatField(), NUMERICFLD,
                           fields[0].sShow, QStringLiteral("F1")),
                 qPrintable(join.ErrorMsg()));
        if (fixNullValue)
            QCOMPARE(join.GetNullValue(), creator.NullValue());
        join.Disconnect();

        const QHash<QString, QVariant> joined =
            readColumn(work.path(), map.sTableName(), fields[0].sPhysical, QStringLiteral("STAT"));
        QCOMPARE(joined.size(), keys);
        for (const auto &[key, value] : expected) {
            const double want = qIsNaN(value) ? double(join.GetNullValue()) : value;
            QVERIFY2(joined.contains(key), qPrintable(key));
            QCOMPARE(joined.value(key).toDouble(), want);
        }
        // No region is left empty; every value is a statistic or the null value.
        for (const QVariant &value : joined)
            QVERIFY(!value.isNull());
    }
};

QTEST_MAIN(TestSampleJoins)
#include "tst_samplejoins.moc"
