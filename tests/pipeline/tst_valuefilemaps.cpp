// Maps of CSV, TSV and JSON-stat statistics files: batch runs of the real program on a
// program folder of its own (CHOREL_HOME) with the US counties of tests/data/uscounties (codes
// with leading zeros) and the samples, --map and --key, the join line, the refusals; and the
// window's parts: the map definition chooser and the join line in the status bar.
#include "../chorelbatch.h"
#include "app/dialogs/mapdefinitionchooser.h"
#include "app/runtime/searchorder.h"
#include "app/view/joinstatus.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

void writeFile(const QString &path, const QByteArray &text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

const QByteArray kUsIni = "[MAPS]\r\nNumMaps=1\r\n1=counties.shp\r\n\r\n[FIELDS1]\r\n"
                          "MapName=US counties\r\nKeyField=id\r\nNameField=name\r\n";

} // namespace

class TestValueFileMaps : public QObject {
    Q_OBJECT

private slots:
    void init();
    void countiesWithoutLeadingZeros();
    void rowFallingTogetherWithAnExactMatch();
    void jsonStatOnTheSheet();
    void refused_data();
    void refused();
    void mapDefinitionChooser();
    void joinLineInTheStatusBar();

private:
    using Run = BatchRun;
    Run chorel(const QStringList &arguments);
    QString out(const QString &name) const { return m_home->filePath("out/" + name); }
    QString data(const QString &name) const { return m_home->filePath("data/" + name); }
    QStringList written() const
    {
        return QDir(m_home->filePath("out")).entryList(QDir::Files);
    }

    std::unique_ptr<QTemporaryDir> m_home;
};

void TestValueFileMaps::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QDir home(m_home->path());
    for (const char *folder : {"Maps", "TQ-files", "out", "tmp", "data"})
        QVERIFY(home.mkdir(folder));
    const QString samples = qEnvironmentVariable("CHOREL_SAMPLES");
    const QDir maps(samples + QStringLiteral("/Maps"));
    for (const QString &name : maps.entryList(QDir::Files))
        QVERIFY(QFile::copy(maps.filePath(name), home.filePath("Maps/" + name)));
    const QDir counties(qEnvironmentVariable("CHOREL_TESTDATA") + QStringLiteral("/uscounties"));
    for (const QString &name : counties.entryList({"counties.*"}, QDir::Files))
        QVERIFY(QFile::copy(counties.filePath(name), home.filePath("Maps/" + name)));
    QVERIFY(QFile::copy(counties.filePath("unemployment.tsv"), data("unemployment.tsv")));
    writeFile(home.filePath("Maps/US.INI"), kUsIni);
    writeFile(home.filePath("Maps/BROKEN.INI"), "[MAPS]\r\nNumMaps=1\r\n1=nowhere.shp\r\n");
}

TestValueFileMaps::Run TestValueFileMaps::chorel(const QStringList &arguments)
{
    return RunChorelBatch(m_home->path(), arguments);
}

// The rates name the counties 1001, the boundaries 01001: every county gets its rate, and the
// join line counts the codes matched that way and names the Alaskan rows the layer lacks.
void TestValueFileMaps::countiesWithoutLeadingZeros()
{
    const Run run = chorel({"-f", data("unemployment.tsv"), "-o", "us.png", "--map", "us"});
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
    QCOMPARE(run.errors, QStringLiteral("85 of 85 regions have data (82 codes matched without "
                                        "their leading zeros); 5 statistics rows match no "
                                        "region: 2013, 2016, 2020, 2050, 2060\n"));
    QCOMPARE(written(), (QStringList{"us.png", "usL.png", "usLI.png"}));
    // No county is left in the no-data colour (white) inside the map's regions: the legend
    // image names no class without data.
    const QImage map(out("us.png"));
    QVERIFY(!map.isNull());
}

// A row 1001 beside a row 01001: county 01001 takes 01001 exactly and never looks for a loose
// match, yet 1001 stays unmatched because it falls together with 01001: the join line names
// both as codes that fall together, as it does when a county looked for one of them.
void TestValueFileMaps::rowFallingTogetherWithAnExactMatch()
{
    QFile tsv(data("unemployment.tsv"));
    QVERIFY(tsv.open(QIODevice::Append));
    tsv.write("01001\t5.5\n");
    tsv.close();
    const Run run = chorel({"-f", data("unemployment.tsv"), "-o", "us.png", "--map", "us"});
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
    QCOMPARE(run.errors, QStringLiteral("85 of 85 regions have data (81 codes matched without "
                                        "their leading zeros); 6 statistics rows match no "
                                        "region: 1001, 2013, 2016, 2020, 2050 and 1 more; codes "
                                        "that fall together, so matched by none: 01001, 1001\n"));
}

// A JSON-stat dataset on the sheet: its label is the title, its source the source line.
void TestValueFileMaps::jsonStatOnTheSheet()
{
    writeFile(data("births.json"), R"({"version":"2.0","class":"dataset",
        "label":"Births in North Carolina","source":"State statistics","updated":"1975-06-30",
        "id":["year","county"],"size":[1,3],"role":{"geo":["county"],"time":["year"]},
        "dimension":{"year":{"category":{"index":["1974"]}},
                     "county":{"category":{"index":["37001","37003","37005"]}}},
        "value":[1091,487,null]})");
    const Run run = chorel({"-f", data("births.json"), "-o", "b.svg", "--map", "NC.INI",
                            "--sheet"});
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
    QVERIFY2(run.errors.startsWith("2 of 100 regions have data; every statistics row matches"),
             qPrintable(run.errors));
    QFile svg(out("b.svg"));
    QVERIFY(svg.open(QIODevice::ReadOnly));
    const QByteArray text = svg.readAll();
    QVERIFY(text.contains("Births in North Carolina"));
    QVERIFY(text.contains("Source: State statistics, updated 1975-06-30 (births.json)"));
}

void TestValueFileMaps::refused_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QStringList>("switches");
    QTest::addColumn<QStringList>("said");
    const QByteArray good = "county,births\n37001,10\n";
    QTest::newRow("no map definition")
        << good << QStringList()
        << QStringList{"The statistics file s.csv names no map definition: name one with --map"};
    QTest::newRow("missing map definition")
        << good << QStringList{"--map", "NOPE"}
        << QStringList{"Missing file NOPE", "Looked for it in, in order:", "1. ", "/Maps"};
    QTest::newRow("broken map definition")
        << good << QStringList{"--map", "BROKEN.INI"} << QStringList{"nowhere.shp"};
    QTest::newRow("no row matches a region")
        << QByteArray("county,births\n99001,10\n99003,20\n") << QStringList{"--map", "NC"}
        << QStringList{"no statistics row matches a region, so nothing was written: 0 of 100 "
                       "regions have data; 2 statistics rows match no region: 99001, 99003"};
    QTest::newRow("row of the wrong width")
        << QByteArray("county,births\n37001,10,3\n") << QStringList{"--map", "NC"}
        << QStringList{"Line 2 has 3 fields, the header row 2"};
    QTest::newRow("unknown key")
        << good << QStringList{"--map", "NC", "--key", "fips"}
        << QStringList{"No column is titled \"fips\" (--key)"};
}

// Each ends the batch run with exit code 1, a reason that names what is wrong, and no file.
void TestValueFileMaps::refused()
{
    QFETCH(QByteArray, csv);
    QFETCH(QStringList, switches);
    QFETCH(QStringList, said);
    writeFile(data("s.csv"), csv);
    const Run run = chorel(QStringList{"-f", data("s.csv"), "-o", "s.png"} + switches);
    QCOMPARE(run.exitCode, 1);
    for (const QString &text : said)
        QVERIFY2(run.errors.contains(text), qPrintable(run.errors));
    QCOMPARE(written(), QStringList());
}

// The chooser lists the map definitions of the search folders, an earlier folder's hiding a
// later one's of the same name, and gives the one picked.
void TestValueFileMaps::mapDefinitionChooser()
{
    QDir home(m_home->path());
    writeFile(data("us.ini"), kUsIni);
    const QStringList folders{data(QString()), home.filePath("Maps")};
    const QStringList found = MapDefinitionsIn(folders);
    QCOMPARE(found.size(), 5); // us.ini beside the file; BROKEN, NC, NY8, WORLD in Maps/
    QCOMPARE(found.first(), QFileInfo(data("us.ini")).absoluteFilePath());
    QVERIFY(!found.contains(home.absoluteFilePath("Maps/US.INI")));
    QCOMPARE(MapDefinitionNamed(folders, "nc"), home.absoluteFilePath("Maps/NC.INI"));

    MapDefinitionChooser chooser(data("s.csv"), found);
    QCOMPARE(chooser.list()->count(), 5);
    QVERIFY(chooser.list()->item(0)->text().startsWith("us.ini"));
    chooser.list()->setCurrentRow(2);
    QCOMPARE(chooser.chosen(), found.at(2));
}

// The status bar's join line opens the list of both kinds of mismatch, which can be copied.
void TestValueFileMaps::joinLineInTheStatusBar()
{
    JoinSummary summary;
    summary.regions = 4;
    summary.regionsWithData = 2;
    summary.unmatched.rows = 3;
    summary.unmatched.count = 1;
    summary.unmatched.codes = {"99999"};
    summary.unmatched.regionsWithoutRow = {"37005", "37007"};
    summary.unmatched.zeroMatches = 2;
    JoinStatus status;
    status.resize(2000, 24);
    status.setSummary(summary);
    QCOMPARE(status.text(), QStringLiteral("2 of 4 regions have data (2 codes matched without "
                                           "their leading zeros); 1 statistics row matches no "
                                           "region: 99999"));
    QVERIFY(status.isEnabled());
    QTest::mouseClick(&status, Qt::LeftButton);
    auto *details = status.findChild<QDialog *>(QStringLiteral("frmJoinDetails"));
    QVERIFY(details && details->isVisible());
    const QString text = details->findChild<QPlainTextEdit *>()->toPlainText();
    QVERIFY2(text.contains("Statistics rows that match no region (1):\n99999\n") &&
                 text.contains("Regions without a statistics row (2):\n37005\n37007\n"),
             qPrintable(text));
    details->findChild<QPushButton *>("cmdCopy")->click();
    QCOMPARE(QApplication::clipboard()->text(), text);
    status.clearSummary();
    QVERIFY(status.text().isEmpty() && !status.isEnabled());
}

QTEST_MAIN(TestValueFileMaps)
#include "tst_valuefilemaps.moc"
