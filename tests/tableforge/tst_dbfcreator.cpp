#include "contracts/tableprovider.h"
#include "platform/dbase/dbaseprovider.h"
#include "tableforge/dbfcreator.h"
#include "tableforge/tableprogress.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

const QString kCodesMissing = QStringLiteral("Can't find codes for.");

void registerMessages(DBFCreator &c)
{
    c.AddErrorMsg(QStringLiteral("Missing TQ-File!"), QStringLiteral("MISSING"));
    c.AddErrorMsg(QStringLiteral("No valid file for Chorel."), QStringLiteral("VALID"));
    c.AddErrorMsg(kCodesMissing, QStringLiteral("CODES"));
    c.AddErrorMsg(QStringLiteral("Can't find values for."), QStringLiteral("VALUES"));
    c.AddErrorMsg(QStringLiteral("Missing Progress bar."), QStringLiteral("PROGRESS"));
    c.AddErrorMsg(QStringLiteral("Wrong text file format."), QStringLiteral("FILEFORMAT"));
    c.AddErrorMsg(QStringLiteral("VARIABLE text"), QStringLiteral("VARIABLE"));
}

// A cube file with regions 01, 02, 03 and the statistic "contents" (A, B).
QString cube(const QString &layout, const QString &data, const QString &extra = QString())
{
    return QStringLiteral("DECIMALS=0;\r\nMATRIX=\"T01\";\r\nTITLE=\"Population\"\r\n\" and more\";\r\n")
           + layout
           + QStringLiteral("VALUES(\"region\")=\"One\",\"Two\",\r\n\"Three\";\r\n"
                            "VALUES(\"contents\")=\"Alpha\",\"Beta\";\r\n"
                            "VALUES(\"CONTENTS\")=\"Persons\";\r\n"
                            "VALUES(\"$$note\")=\"x\";\r\n"
                            "CODES(\"region\")=\"01\",\"02\",\"03\";\r\n"
                            "CODES(\"contents\")=\"A\",\"B\";\r\n")
           + extra + QStringLiteral("MAP(\"region\")=\"county\";\r\nDATA=\r\n") + data
           + QStringLiteral("\r\n");
}

} // namespace

// The statistics table builder on real statistics files, with the table read back from disk.
class TestDBFCreator : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    TableProgress m_progress;

    QString write(const QString &name, const QString &text)
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(text.toUtf8());
        return path;
    }

    // Every record of STAT as "REGION=F1,F2,...".
    QStringList readStat(const QString &folder)
    {
        auto c = createDbaseConnection();
        c->setConnectionString(QStringLiteral("Data Source=") + folder + u';');
        c->setMode(provider::ModeRead);
        c->open();
        auto rs = createDbaseRecordset();
        rs->open(QStringLiteral("STAT"), c.get(), provider::CmdTable);
        QStringList rows;
        for (rs->moveFirst(); !rs->eof(); rs->moveNext()) {
            QStringList values;
            for (int i = 1; i < rs->fieldCount(); ++i)
                values.append(rs->value(i).toString());
            rows.append(rs->value(QStringLiteral("REGION")).toString() + u'=' + values.join(u','));
        }
        return rows;
    }

    std::unique_ptr<DBFCreator> creator()
    {
        auto c = std::make_unique<DBFCreator>();
        registerMessages(*c);
        c->setProgressBar(&m_progress);
        c->setDecSeperator(QStringLiteral("."));
        return c;
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void layouts_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QString>("data");
        const QStringList expected = {"01=11,12", "02=21,22", "03=31,32"};
        QTest::newRow("region rows, re-laid") << "STUB=\"region\";\r\nHEADING=\"contents\";\r\n"
                                              << "11 12\r\n21 22\r\n31 32;";
        QTest::newRow("statistic rows, re-laid") << "STUB=\"contents\";\r\nHEADING=\"region\";\r\n"
                                                 << "11 21 31 \r\n12 22 32;";
        QTest::newRow("region first") << "STUB=\"region\",\"contents\";\r\n" << "11 12 21 22 31 32;";
        QTest::newRow("statistic first") << "HEADING=\"contents\",\"region\";\r\n"
                                         << "11 21 31 12 22 32;";
        QTest::newRow("neither") << "STUB=\"time\";\r\n" << "11 12 21 22 31 32;";
    }

    void layouts()
    {
        QFETCH(QString, layout);
        QFETCH(QString, data);
        auto c = creator();
        const QString file = write(QStringLiteral("layout.tq"), cube(layout, data));
        QVERIFY2(c->CreateTable(file, m_dir.path()), qPrintable(c->ErrorMsg()));
        QCOMPARE(readStat(m_dir.path()), (QStringList{"01=11,12", "02=21,22", "03=31,32"}));
        QCOMPARE(c->KeyFld(), QStringLiteral("REGION"));
        QCOMPARE(c->TableName(), QStringLiteral("STAT"));
        QCOMPARE(c->StatTblFld(), (QStringList{"F1", "F2"}));
        QCOMPARE(c->StatFields(), (QStringList{"Alpha", "Beta"}));
        QCOMPARE(c->MapIniFile(), QStringLiteral("county"));
        QCOMPARE(c->NullValue(), -2);
        QCOMPARE(m_progress.Value(), m_progress.Max());
    }

    // Files saved on other systems: Unix (LF), old Macintosh (CR) and mixed line ends give
    // the same table as the usual CR LF.
    void lineEnds_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::newRow("LF") << "\r\n" << "\n";
        QTest::newRow("CR") << "\r\n" << "\r";
        QTest::newRow("mixed") << "\";\r\n" << "\";\r";
    }

    void lineEnds()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QString text = cube(QStringLiteral("STUB=\"region\";\r\nHEADING=\"contents\";\r\n"),
                            QStringLiteral("11 12\r\n21 22\r\n31 32;"));
        text.replace(from, to);
        auto c = creator();
        const QString file = write(QStringLiteral("lineends.tq"), text);
        QVERIFY2(c->CreateTable(file, m_dir.path()), qPrintable(c->ErrorMsg()));
        QCOMPARE(readStat(m_dir.path()), (QStringList{"01=11,12", "02=21,22", "03=31,32"}));
        QCOMPARE(c->StatFields(), (QStringList{"Alpha", "Beta"}));
    }

    void missingValuesAndDecimals()
    {
        auto c = creator();
        const QString file = write(QStringLiteral("missing.tq"),
                                   cube(QStringLiteral("STUB=\"region\";\r\nHEADING=\"contents\";\r\n"),
                                        QStringLiteral("\"..\" 1.25\r\n\"-\" \".\"\r\n-3.5 \"\";"),
                                        QStringLiteral("PRECISION(\"contents\",\"Beta\")=2;\r\n")));
        TableCaption caption(QStringLiteral("Loading"));
        c->setFormCaption(&caption);
        QVERIFY2(c->CreateTable(file, m_dir.path()), qPrintable(c->ErrorMsg()));
        QCOMPARE(c->NullValue(), -6); // -3.5 rounds to -4 (halves to even)
        QCOMPARE(readStat(m_dir.path()), (QStringList{"01=-6,1.25", "02=0,-6", "03=-4,-6"})); // F1 keeps 0 decimals
        QCOMPARE(c->StatNumDec(), (QList<int>{0, 2}));
        QCOMPARE(c->NumDecimals(), 0);
        QCOMPARE(caption.Caption(), QStringLiteral("Loading 100%"));
        QCOMPARE(c->GetStatInfo(), QStringLiteral("Contents=Persons"));
        QCOMPARE(c->GetTitle(file), QStringLiteral("Population and more : T01"));
        QCOMPARE(c->GetIniFile(file), QStringLiteral("COUNTY.INI"));
    }

    void semicolonFile()
    {
        auto c = creator();
        const QString file = write(QStringLiteral("pop.sdv"),
                                   QStringLiteral("County.ini\nCode;Men;Share;\n0101;12;1,5;\n"
                                                  "0104;..;2,25;\n12;-7;;\n"));
        QVERIFY2(c->CreateTable(file, m_dir.path()), qPrintable(c->ErrorMsg()));
        QCOMPARE(readStat(m_dir.path()), (QStringList{"0101=12,1.5", "0104=-9,2.25", "12=-7,-9"}));
        QCOMPARE(c->StatNumDec(), (QList<int>{0, 2}));
        QCOMPARE(c->NumDecimals(), 2);
        QCOMPARE(c->StatFields(), (QStringList{"Men", "Share"}));
        QCOMPARE(c->GetIniFile(file), QStringLiteral("County.ini"));
        QCOMPARE(c->GetTitle(file), QStringLiteral("pop"));
        auto cn = createDbaseConnection();
        cn->setConnectionString(QStringLiteral("Data Source=") + m_dir.path());
        cn->open();
        auto cat = createDbaseCatalog();
        cat->setActiveConnection(cn.get());
        QCOMPARE(cat->columns(QStringLiteral("STAT")).front().definedSize, 4);
    }

    // The header query and the table of one file read it once; a file changed after its
    // header was read, or another file, is read again. The builder tells the table it wrote
    // and the codes of its records, as the table holds them.
    void headerThenTable()
    {
        auto c = creator();
        const QString file = write(QStringLiteral("again.sdv"),
                                   QStringLiteral("County.ini\nCode;Men;\nA1;1;\nB2;2;\n"));
        QCOMPARE(c->GetIniFile(file), QStringLiteral("County.ini"));
        QVERIFY2(c->CreateTable(file, m_dir.path()), qPrintable(c->ErrorMsg()));
        QCOMPARE(readStat(m_dir.path()), (QStringList{"A1=1", "B2=2"}));
        QCOMPARE(c->BuiltTablePath(), QDir(m_dir.path()).filePath("STAT.dbf"));
        QCOMPARE(c->BuiltTableCodes(), (QStringList{"A1", "B2"}));

        QCOMPARE(c->GetIniFile(file), QStringLiteral("County.ini"));
        write(QStringLiteral("again.sdv"), QStringLiteral("County.ini\nCode;Men;\nC3;30;\n"));
        QVERIFY2(c->CreateTable(file, m_dir.path()), qPrintable(c->ErrorMsg()));
        QCOMPARE(readStat(m_dir.path()), QStringList{"C3=30"});
        QCOMPARE(c->BuiltTableCodes(), QStringList{"C3"});

        const QString other = write(QStringLiteral("other.sdv"),
                                    QStringLiteral("County.ini\nCode;Men;\nD4;4;\n"));
        QCOMPARE(c->GetIniFile(file), QStringLiteral("County.ini"));
        QVERIFY2(c->CreateTable(other, m_dir.path()), qPrintable(c->ErrorMsg()));
        QCOMPARE(readStat(m_dir.path()), QStringList{"D4=4"});

        QVERIFY(!c->CreateTable(m_dir.filePath("missing.sdv"), m_dir.path()));
        QVERIFY(c->BuiltTablePath().isEmpty());
    }

    // A large table: the bar and the caption follow in steps a bar can show, and end full.
    void progressOfALargeTable()
    {
        auto c = creator();
        QString text = QStringLiteral("Big.ini\nCode;N;\n");
        constexpr int kRegions = 20000;
        for (int r = 0; r < kRegions; ++r)
            text += QStringLiteral("R%1;%2;\n").arg(r).arg(r % 97);
        const QString file = write(QStringLiteral("big.sdv"), text);
        TableCaption caption(QStringLiteral("Loading"));
        c->setFormCaption(&caption);
        QList<int> values;
        QStringList captions;
        const auto told = connect(&m_progress, &TableProgress::valueChanged, this,
                                  [&](int v) { values << v; });
        const auto shown = connect(&caption, &TableCaption::captionChanged, this,
                                   [&] { captions << caption.Caption(); });
        const bool created = c->CreateTable(file, m_dir.path());
        disconnect(told);
        disconnect(shown);
        QVERIFY2(created, qPrintable(c->ErrorMsg()));
        QCOMPARE(readStat(m_dir.path()).size(), kRegions);
        QCOMPARE(readStat(m_dir.path()).at(kRegions - 1), QStringLiteral("R19999=17"));
        QCOMPARE(m_progress.Value(), m_progress.Max());
        QCOMPARE(caption.Caption(), QStringLiteral("Loading 100%"));
        QVERIFY2(values.size() < 2200, qPrintable(QString::number(values.size())));
        // Every percentage of the insertion is shown on the way.
        for (int p = 1; p <= 100; ++p)
            QVERIFY2(captions.contains(QStringLiteral("Loading %1%").arg(p)), qPrintable(QString::number(p)));
    }

    void failures_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        const QString layout = QStringLiteral("STUB=\"region\";\r\nHEADING=\"contents\";\r\n");
        QString noMap = cube(layout, QStringLiteral("1 2 3 4 5 6;"));
        noMap.remove(QStringLiteral("MAP(\"region\")=\"county\";\r\n"));
        QTest::newRow("no map") << "a.tq" << noMap << "VARIABLE text";
        QTest::newRow("two multi-valued") << "b.tq"
            << cube(layout, QStringLiteral("1;"), QStringLiteral("VALUES(\"time\")=\"1\",\"2\";\r\n"))
            << "VARIABLE text";
        QString noCodes = cube(layout, QStringLiteral("1;"));
        noCodes.remove(QStringLiteral("CODES(\"region\")=\"01\",\"02\",\"03\";\r\n"));
        QTest::newRow("region without codes") << "c.tq" << noCodes << kCodesMissing + " region";
        QString noData = cube(layout, QStringLiteral("1 2;"));
        noData.replace(QStringLiteral("DATA=\r\n"), QStringLiteral("DATA= "));
        QTest::newRow("no DATA line") << "d.tq" << noData
            << "No valid file for Chorel.\r\nThe statistics file has no line \"DATA=\".";
        QTest::newRow("bad semicolon file")
            << "e.sdv" << "W.ini\r\nC;A;B\r\nX;1\r\n"
            << "Wrong text file format.\r\nLine 3 holds 1 values after the region code, the "
               "headings (line 2) name 2 statistics: \"X;1\".";
        QTest::newRow("CSV read as a semicolon file")
            << "e.txt" << "W.ini\r\nC,A,B\r\nX,1,2\r\n"
            << "Wrong text file format.\r\nLine 2 (the headings) holds no \";\" but 2 commas: "
               "this is a CSV file, not a semicolon file. Name it .csv and give its map "
               "definition with --map.";

        // Decimals beyond what a dBASE numeric field holds: no wrap-around, no runaway format.
        const QString full = cube(layout, QStringLiteral("1 2 3 4 5 6;"));
        const QString limit = QStringLiteral(" in the statistics file lies outside 0 to 15, the "
                                             "decimals a dBASE numeric field can hold.\r\nTableForge");
        for (const char *value : {"2000000000", "65536", "32768", "16", "-7", "99999999999"}) {
            QString text = full;
            text.replace(QStringLiteral("DECIMALS=0;"), QStringLiteral("DECIMALS=%1;").arg(value));
            QTest::addRow("DECIMALS=%s", value) << "f.tq" << text
                << "6 Overflow: DECIMALS=" + QString::fromLatin1(value) + limit;
        }
        for (const char *value : {"2000000000", "1000"}) {
            const QString precision =
                QStringLiteral("PRECISION(\"contents\",\"Beta\")=%1;\r\n").arg(value);
            QTest::addRow("PRECISION=%s", value) << "g.tq"
                << cube(layout, QStringLiteral("1 2 3 4 5 6;"), precision)
                << "6 Overflow: " + precision.chopped(3) + limit;
        }

        // Data that do not fill regions x statistics are a broken file, cut short or padded.
        const QString counts = QStringLiteral("The data of the statistics file hold %1 values, %2 "
                                              "than the 6 that the 3 regions and 2 statistics of "
                                              "the selection need.");
        QString cutShort = full;
        cutShort.truncate(cutShort.indexOf(QLatin1String("DATA=")) + 5);
        QTest::newRow("file ending after DATA=") << "h.tq" << cutShort << counts.arg(0).arg("fewer");
        QTest::newRow("fewer values") << "i.tq" << cube(layout, QStringLiteral("1 2\r\n3 4\r\n5;"))
                                      << counts.arg(5).arg("fewer");
        QTest::newRow("more values") << "j.tq" << cube(layout, QStringLiteral("1 2 3 4 5 6 7;"))
                                     << counts.arg(7).arg("more");
    }

    void failures()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QString, message);
        QTemporaryDir folder;
        auto c = creator();
        QVERIFY(!c->CreateTable(write(name, text), folder.path()));
        QCOMPARE(c->ErrorMsg(), message);
        QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("STAT.dbf"))));
    }

    // The most decimals a dBASE numeric field holds are accepted and kept.
    void decimalsAtTheLimit()
    {
        QString text = cube(QStringLiteral("STUB=\"region\";\r\nHEADING=\"contents\";\r\n"),
                            QStringLiteral("1 2\r\n3 4\r\n5 6.5;"),
                            QStringLiteral("PRECISION(\"contents\",\"Beta\")=15;\r\n"));
        text.replace(QStringLiteral("DECIMALS=0;"), QStringLiteral("DECIMALS=14;"));
        auto c = creator();
        QVERIFY2(c->CreateTable(write(QStringLiteral("limit.tq"), text), m_dir.path()),
                 qPrintable(c->ErrorMsg()));
        QCOMPARE(c->StatNumDec(), (QList<int>{14, 15}));
        QCOMPARE(c->NumDecimals(), 14);
        QCOMPARE(readStat(m_dir.path()).back(), QStringLiteral("03=5,6.5"));
    }

    // Devices, FIFOs and folders are no statistics files: refused at once, never read.
    void onlyRegularFilesAreRead()
    {
        const QString fifo = m_dir.filePath(QStringLiteral("pipe.tq"));
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        const QString tool = qEnvironmentVariable("CHOREL_BIN") + QStringLiteral("/tq2dbf");
        for (const QString &input : {QStringLiteral("/dev/zero"), fifo, m_dir.path()}) {
            auto c = creator();
            QVERIFY(!c->CreateTable(input, m_dir.path()));
            QVERIFY2(c->ErrorMsg().startsWith(QLatin1String("53 File not found or not readable")),
                     qPrintable(c->ErrorMsg()));
            QProcess p;
            p.start(tool, {input, m_dir.path()});
            QVERIFY(p.waitForFinished(-1)); // a hang shows as the test's timeout
            QCOMPARE(p.exitCode(), 1);
            QVERIFY(p.readAllStandardOutput().isEmpty());
        }
        QFile::remove(fifo);
    }

    void callerMistakes()
    {
        DBFCreator c;
        registerMessages(c);
        QVERIFY(!c.CreateTable(QString(), m_dir.path()));
        QCOMPARE(c.ErrorMsg(), QStringLiteral("Missing Progress bar."));
        c.setProgressBar(&m_progress);
        QVERIFY(!c.CreateTable(QString(), m_dir.path()));
        QCOMPARE(c.ErrorMsg(), QStringLiteral("Missing TQ-File!"));
        QVERIFY(!c.AddErrorMsg(QStringLiteral("again"), QStringLiteral("missing")));
        QVERIFY(c.ErrorMsg().startsWith(QLatin1String("457 ")));
        QCOMPARE(c.GetStatInfo(), QString());
    }

    // The value variable without CODES: the VALUES texts serve as codes, the CODES message stays.
    void valuesServeAsCodes()
    {
        QString text = cube(QStringLiteral("STUB=\"region\";\r\nHEADING=\"contents\";\r\n"),
                            QStringLiteral("1 2\r\n3 4\r\n5 6;"));
        text.remove(QStringLiteral("CODES(\"contents\")=\"A\",\"B\";\r\n"));
        auto c = creator();
        QVERIFY(c->CreateTable(write(QStringLiteral("v.tq"), text), m_dir.path()));
        QCOMPARE(c->ErrorMsg(), kCodesMissing + QStringLiteral(" contents"));
        QCOMPARE(readStat(m_dir.path()).front(), QStringLiteral("01=1,2"));
    }

    void samples_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("records");
        QTest::addColumn<QString>("ini");
        QTest::addColumn<QString>("firstRecord");
        QTest::newRow("nc 74") << "nc_births_74.tq" << 100 << "NC.INI" << "37001=4672,13,1243";
        QTest::newRow("nc 79") << "nc_births_79.tq" << 100 << "NC.INI" << "";
        QTest::newRow("ny") << "ny_leukaemia.tq" << 281 << "NY8.INI" << "36007000100=3540,3.08,14.7";
        QTest::newRow("world") << "world_2014.sdv" << 175 << "World.ini" << "AE=9070867,76.9,63943";
    }

    void samples()
    {
        QFETCH(QString, file);
        QFETCH(int, records);
        QFETCH(QString, ini);
        QFETCH(QString, firstRecord);
        const QString path = qEnvironmentVariable("CHOREL_SAMPLES") + QStringLiteral("/TQ-files/") + file;
        QTemporaryDir folder;
        auto c = creator();
        QCOMPARE(c->GetIniFile(path), ini);
        QVERIFY(!c->GetTitle(path).isEmpty());
        QVERIFY2(c->CreateTable(path, folder.path()), qPrintable(c->ErrorMsg()));
        const QStringList rows = readStat(folder.path());
        QCOMPARE(rows.size(), records);
        QCOMPARE(c->StatTblFld().size(), 3);
        if (!firstRecord.isEmpty())
            QCOMPARE(rows.front(), firstRecord);
        if (file.startsWith(QLatin1String("world"))) {
            QCOMPARE(c->StatNumDec(), (QList<int>{0, 1, 0}));
            QVERIFY(rows.contains(QStringLiteral("AQ=-2,-2,-2")));
            QVERIFY(rows.contains(QStringLiteral("CN=1364270000,75.9,12759")));
        }
    }

    // The tool end to end, and the table it writes as another dBASE reader sees it.
    void toolAndOgrinfo()
    {
        const QString tool = qEnvironmentVariable("CHOREL_BIN") + QStringLiteral("/tq2dbf");
        const QString sample = qEnvironmentVariable("CHOREL_SAMPLES") + QStringLiteral("/TQ-files/nc_births_74.tq");
        QTemporaryDir folder;
        QProcess p;
        p.start(tool, {sample, folder.path()});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 0);
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        QVERIFY2(out.contains(QLatin1String("Records: 100")), qPrintable(out));
        QVERIFY(out.contains(QLatin1String("F2  Sudden infant deaths  (0 decimals)")));
        p.start(tool, {m_dir.filePath(QStringLiteral("nothing.tq")), folder.path()});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 1);
        QVERIFY(!p.readAllStandardError().isEmpty());

        const QString ogrinfo = QStandardPaths::findExecutable(QStringLiteral("ogrinfo"));
        if (ogrinfo.isEmpty())
            QSKIP("ogrinfo is not installed");
        p.start(ogrinfo, {QStringLiteral("-al"), QStringLiteral("-q"), folder.filePath(QStringLiteral("STAT.dbf"))});
        QVERIFY(p.waitForFinished(30000));
        const QString info = QString::fromUtf8(p.readAllStandardOutput());
        QCOMPARE(info.count(QLatin1String("OGRFeature(STAT)")), 100);
        QVERIFY(info.contains(QLatin1String("REGION (String) = 37199")));
        QVERIFY(info.contains(QLatin1String("F1 (Integer64) = 770")));
        QVERIFY(info.contains(QLatin1String("F3 (Integer64) = 12")));
    }
};

QTEST_GUILESS_MAIN(TestDBFCreator)
#include "tst_dbfcreator.moc"
