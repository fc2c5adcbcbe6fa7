// Batch runs with the long switches, of the real program on a program folder of its own
// (CHOREL_HOME) holding the samples: SVG and PDF files, the sheet, --width, --each on the
// cube file and on a definition with two maps (one of them failing), the join line, --stat.
// One run is made in this process, so that the map control shows where the counties are.
#include "../chorelbatch.h"
#include "../output/vectorreader.h"

#include "app/driver/mainform.h"
#include "app/layout/standardwindow.h"
#include "app/view/mapsession.h"
#include "contracts/mapsymbol.h"
#include "platform/mapcontrol/mapwidget.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QRgb kFrame = qRgb(176, 176, 176); // the frame around the sheet's map
const QRgb kMaroon = qRgb(128, 0, 0);    // the last class of the samples' colour ramp

void writeFile(const QString &path, const QByteArray &text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

} // namespace

class TestBatchMaps : public QObject {
    Q_OBJECT

private slots:
    void init();
    void vectorOutputs_data();
    void vectorOutputs();
    void sheetLayoutByPixel();
    void sheetInEveryFormat_data();
    void sheetInEveryFormat();
    void widthOfTheMap();
    void eachOnTwoMaps();
    void eachWithOneMapFailing();
    void joinLine_data();
    void joinLine();
    void chosenStatistic_data();
    void chosenStatistic();
    void eachEqualsSingleRuns_data();
    void eachEqualsSingleRuns();
    // Last: it runs the program in this process, which sets TMPDIR for good.
    void eachStatisticColoursTheCounties();

private:
    using Run = BatchRun;
    Run chorel(const QStringList &arguments);
    QString out(const QString &name) const { return m_home->filePath("out/" + name); }
    QString data(const QString &name) const { return m_home->filePath("TQ-files/" + name); }
    QString log() const;
    // The working folders and instance locks the runs left in the temporary folder.
    QStringList leftInTemporaryFolder() const
    {
        return QDir(m_home->filePath("tmp")).entryList({"Chorel*"}, QDir::AllEntries |
                                                       QDir::NoDotAndDotDot | QDir::Hidden);
    }

    std::unique_ptr<QTemporaryDir> m_home;
};

void TestBatchMaps::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QDir home(m_home->path());
    for (const char *folder : {"Maps", "TQ-files", "out", "tmp"})
        QVERIFY(home.mkdir(folder));
    const QString samples = qEnvironmentVariable("CHOREL_SAMPLES");
    for (const QString &folder : {QStringLiteral("Maps"), QStringLiteral("TQ-files")}) {
        const QDir from(samples + u'/' + folder);
        for (const QString &name : from.entryList(QDir::Files))
            QVERIFY(QFile::copy(from.filePath(name), home.filePath(folder + u'/' + name)));
    }
    // Two maps of the same counties; and one whose second map's shapes are cut short.
    QFile shp(samples + QStringLiteral("/Maps/nc_counties.shp"));
    QVERIFY(shp.open(QIODevice::ReadOnly));
    const QByteArray shapes = shp.readAll();
    for (const QString &copy : {QStringLiteral("nc_copy"), QStringLiteral("cutshort")}) {
        for (const char *suffix : {".shx", ".dbf"})
            QVERIFY(QFile::copy(samples + "/Maps/nc_counties" + suffix,
                                home.filePath("Maps/" + copy + suffix)));
    }
    writeFile(home.filePath("Maps/nc_copy.shp"), shapes);
    writeFile(home.filePath("Maps/cutshort.shp"), shapes.left(5000));
    const QByteArray fields = "[FIELDS1]\r\nKeyField=FIPS\r\n[FIELDS2]\r\nKeyField=FIPS\r\n";
    writeFile(home.filePath("Maps/TWO.INI"),
              "[MAPS]\r\nNumMaps=2\r\n1=nc_counties.shp\r\n2=nc_copy.shp\r\n" + fields);
    writeFile(home.filePath("Maps/ONEBAD.INI"),
              "[MAPS]\r\nNumMaps=2\r\n1=nc_counties.shp\r\n2=cutshort.shp\r\n" + fields);
    const QByteArray rows = "County;Births;\r\n37001;10;\r\n37003;20;\r\n37005;30;\r\n37007;40;\r\n";
    writeFile(data("two.sdv"), "TWO.INI\r\n" + rows);
    // A map definition whose key field the table lacks.
    writeFile(home.filePath("Maps/BADKEY.INI"),
              "[MAPS]\r\nNumMaps=1\r\n1=nc_counties.shp\r\n[FIELDS1]\r\nKeyField=FIPS_CODE\r\n");
    writeFile(data("badkey.sdv"), "BADKEY.INI\r\nCounty;Births;Deaths;Others;\r\n37001;10;1;5;\r\n"
                                  "37003;20;2;6;\r\n");
    writeFile(data("onebad.sdv"), "ONEBAD.INI\r\n" + rows);
    writeFile(data("mistyped.sdv"), "NC.INI\r\nCounty;Births;\r\n37001;10;\r\n37003;20;\r\n"
                                    "3700l;30;\r\n99999;40;\r\nXX;50;\r\n");
    // Codes padded with blanks and a tab, a matched and an unmatched code twice, more
    // unmatched codes than the line names.
    writeFile(data("repeated.sdv"), "NC.INI\r\nCounty;Births;\r\n 37001 ;10;\r\n37003;20;\r\n"
                                    "37003;25;\r\nZZ1;1;\r\nZZ1;2;\r\nZZ2;3;\r\n  ZZ3;4;\r\n"
                                    "ZZ4 ;5;\r\nZZ5;6;\r\nZZ6\t;7;\r\n");
}

TestBatchMaps::Run TestBatchMaps::chorel(const QStringList &arguments)
{
    return RunChorelBatch(m_home->path(), arguments);
}

QString TestBatchMaps::log() const
{
    QFile file(m_home->filePath(QStringLiteral("Chorel.log")));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void TestBatchMaps::vectorOutputs_data()
{
    QTest::addColumn<QString>("extension");
    QTest::newRow("svg") << "svg";
    QTest::newRow("pdf") << "pdf";
}

void TestBatchMaps::vectorOutputs()
{
    QFETCH(QString, extension);
    const QString nc = data("nc_births_74.tq");
    QCOMPARE(chorel({"-f", nc, "-o", "nc.png"}).exitCode, 0);
    const Run run = chorel({"-f", nc, "-o", "nc." + extension});
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors + log()));
    const QSize png = QImageReader(out("nc.png")).size();
    const QStringList legendTexts{"Live births", "4,000", "21,588", "No data"};
    // Drawn, the file looks like the PNG: only edges differ (smoothed against crisp).
    const QImage picture = QImage(out("nc.png")).convertToFormat(QImage::Format_RGB32);
    const QImage drawn = extension == QLatin1String("svg") ? RenderSvg(out("nc.svg"))
                                                           : RenderPdf(out("nc.pdf"));
    if (!drawn.isNull()) {
        const double share = ShareOfDifferentPixels(picture, drawn, 64);
        QVERIFY2(share < 0.01, qPrintable(QString::number(share)));
    }
    if (extension == QLatin1String("svg")) {
        const SvgContent map = ReadSvg(out("nc.svg"));
        QVERIFY2(map.parsed, qPrintable(map.error));
        QCOMPARE(map.viewBox, QStringLiteral("0 0 %1 %2").arg(png.width()).arg(png.height()));
        int filled = 0;
        for (auto it = map.pathsByFill.cbegin(); it != map.pathsByFill.cend(); ++it)
            filled += it.key() == QLatin1String("none") ? 0 : it.value();
        QCOMPARE(filled, 100); // every county of North Carolina, once
        // Drawn in file order, consecutive regions of one class in one group of paths: fewer
        // groups than regions; the outlines in whole numbers (of a tenth of a pixel).
        int groups = 0;
        for (auto it = map.pathGroupsByFill.cbegin(); it != map.pathGroupsByFill.cend(); ++it)
            groups += it.key() == QLatin1String("none") ? 0 : it.value();
        QVERIFY2(groups < filled, qPrintable(QString::number(groups)));
        QVERIFY(map.wholeNumberPaths);
        const SvgContent legend = ReadSvg(out("ncL.svg"));
        QVERIFY(legend.parsed);
        for (const QString &text : legendTexts)
            QVERIFY2(legend.texts.join(u' ').contains(text), qPrintable(text));
        QVERIFY(ReadSvg(out("ncLI.svg")).parsed);
        return;
    }
    const PdfContent map = ReadPdf(out("nc.pdf"));
    if (map.skip)
        QSKIP("pdfinfo and pdftotext (poppler-utils) are not installed");
    QCOMPARE(map.pages, 1);
    // The picture's size at 96 pixels per inch, in whole points.
    QCOMPARE(map.pageSize, QStringLiteral("%1 x %2")
                               .arg(qRound(png.width() * 0.75))
                               .arg(qRound(png.height() * 0.75)));
    const PdfContent legend = ReadPdf(out("ncL.pdf"));
    for (const QString &text : legendTexts)
        QVERIFY2(legend.text.contains(text), qPrintable(text + " not in " + legend.text));
    QCOMPARE(ReadPdf(out("ncLI.pdf")).pages, 1);
}

void TestBatchMaps::sheetLayoutByPixel()
{
    const Run run = chorel({"-f", data("nc_births_74.tq"), "-o", "sheet.bmp", "--sheet"});
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors + log()));
    QCOMPARE(QDir(m_home->filePath("out")).entryList(QDir::Files), QStringList{"sheet.bmp"});
    const QImage sheet = QImage(out("sheet.bmp")).convertToFormat(QImage::Format_RGB32);
    // The map's frame: the rows and columns where it runs for more than 200 pixels.
    const auto frameRun = [&](int line, bool row) {
        int run = 0, longest = 0;
        const int length = row ? sheet.width() : sheet.height();
        for (int i = 0; i < length; ++i) {
            const QRgb p = row ? sheet.pixel(i, line) : sheet.pixel(line, i);
            run = p == kFrame ? run + 1 : 0;
            longest = std::max(longest, run);
        }
        return longest > 200;
    };
    QList<int> rows, columns;
    for (int y = 0; y < sheet.height(); ++y)
        if (frameRun(y, true))
            rows << y;
    for (int x = 0; x < sheet.width(); ++x)
        if (frameRun(x, false))
            columns << x;
    QVERIFY(rows.size() == 2 && columns.size() == 2);
    const QRect map(QPoint(columns.first() + 1, rows.first() + 1),
                    QPoint(columns.last() - 1, rows.last() - 1));
    // What lies where: title text above the map, legend patches of the last class right of
    // it (not over it), the source line's text below it.
    const auto count = [&](const QRect &area, auto test) {
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                n += test(sheet.pixel(x, y)) ? 1 : 0;
        return n;
    };
    const auto dark = [](QRgb p) { return qGray(p) < 100; };
    const auto maroon = [](QRgb p) { return p == kMaroon; };
    QVERIFY(count(QRect(0, 0, sheet.width(), map.top()), dark) > 200);
    const QRect right(map.right() + 2, map.top(), sheet.width() - map.right() - 2, map.height());
    QVERIFY(count(right, maroon) > 100);
    QVERIFY(count(right, dark) > 100);
    const QRect below(0, map.bottom() + 2, sheet.width(), sheet.height() - map.bottom() - 2);
    QVERIFY(count(below, [](QRgb p) { return qGray(p) < 160; }) > 50);
    QCOMPARE(count(below, maroon), 0);
    // Inside the frame the map: counties of the last class.
    QVERIFY(count(map, maroon) > 1000);
}

void TestBatchMaps::sheetInEveryFormat_data()
{
    QTest::addColumn<QString>("extension");
    QTest::newRow("pdf") << "pdf";
    QTest::newRow("svg") << "svg";
    QTest::newRow("png") << "png";
}

void TestBatchMaps::sheetInEveryFormat()
{
    QFETCH(QString, extension);
    const QString file = "sheet." + extension;
    const Run run =
        chorel({"-f", data("nc_births_74.tq"), "-o", file, "--sheet", "--width", "2000"});
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors + log()));
    QCOMPARE(QDir(m_home->filePath("out")).entryList(QDir::Files), QStringList{file});
    const QString title = "Live births and sudden infant deaths by county";
    const QString source = "Source: nc_births_74.tq, period 1974-78";
    if (extension == QLatin1String("png")) {
        QCOMPARE(QImageReader(out(file)).size().width(), 2000);
    } else if (extension == QLatin1String("svg")) {
        const SvgContent sheet = ReadSvg(out(file));
        QVERIFY2(sheet.parsed, qPrintable(sheet.error));
        QVERIFY(sheet.viewBox.startsWith("0 0 2000 "));
        const QString texts = sheet.texts.join(u'\n');
        for (const QString &text : {title, QStringLiteral("Live births"), source})
            QVERIFY2(texts.contains(text), qPrintable(text + " not in " + texts));
    } else {
        const PdfContent sheet = ReadPdf(out(file));
        if (sheet.skip)
            QSKIP("pdfinfo and pdftotext (poppler-utils) are not installed");
        QCOMPARE(sheet.pages, 1);
        QVERIFY2(sheet.pageSize.startsWith("1500 x "), qPrintable(sheet.pageSize));
        const QString text = sheet.text.simplified();
        for (const QString &expected : {title, QStringLiteral("Live births"), source})
            QVERIFY2(text.contains(expected), qPrintable(expected + " not in " + text));
    }
}

void TestBatchMaps::widthOfTheMap()
{
    const QString nc = data("nc_births_74.tq");
    QCOMPARE(chorel({"-f", nc, "-o", "one.png"}).exitCode, 0);
    QCOMPARE(chorel({"-f", nc, "-o", "wide.png", "--width=1200", "-s", "0.5"}).exitCode, 0);
    const QSize one = QImageReader(out("one.png")).size();
    const QSize wide = QImageReader(out("wide.png")).size();
    QCOMPARE(wide.width(), 1200);
    // The map's own aspect: North Carolina is more than twice as wide as high.
    QVERIFY(wide.height() < 600 && wide.height() > 300);
    QVERIFY(double(one.width()) / one.height() < 1.5);
    QCOMPARE(QImageReader(out("wideL.png")).size(), QImageReader(out("oneL.png")).size());
}

void TestBatchMaps::eachOnTwoMaps()
{
    const Run run = chorel({"-f", data("two.sdv"), "-o", "t.png", "--each"});
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors + log()));
    QCOMPARE(QDir(m_home->filePath("out")).entryList(QDir::Files),
             (QStringList{"t-s1-m1.png", "t-s1-m1L.png", "t-s1-m1LI.png", "t-s1-m2.png",
                          "t-s1-m2L.png", "t-s1-m2LI.png"}));
    QVERIFY2(run.errors.contains("t-s1-m1.png: 4 of 100 regions have data;") &&
                 run.errors.contains("t-s1-m2.png: 4 of 100 regions have data;"),
             qPrintable(run.errors));
    // Both maps are the same counties with the same four values.
    QCOMPARE(QImage(out("t-s1-m1.png")), QImage(out("t-s1-m2.png")));
}

void TestBatchMaps::eachWithOneMapFailing()
{
    const Run run = chorel({"-f", data("onebad.sdv"), "-o", "b.svg", "--each"});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(QDir(m_home->filePath("out")).entryList(QDir::Files),
             (QStringList{"b-s1-m1.svg", "b-s1-m1L.svg", "b-s1-m1LI.svg"}));
    QVERIFY2(log().contains("b-s1-m2.svg was not written"), qPrintable(log()));
    QVERIFY2(run.errors.contains("b-s1-m2.svg was not written"), qPrintable(run.errors));
    QVERIFY(ReadSvg(out("b-s1-m1.svg")).parsed);
    QCOMPARE(leftInTemporaryFolder(), QStringList());

    // A map that no statistic can be drawn on alone: no --each output of it either, each
    // named on stderr (not maps where no region has data).
    const Run key = chorel({"-f", data("badkey.sdv"), "-o", "k.png", "--each"});
    QCOMPARE(key.exitCode, 1);
    QCOMPARE(QDir(m_home->filePath("out")).entryList({"k*"}, QDir::Files), QStringList());
    for (int s = 1; s <= 3; ++s)
        QVERIFY2(key.errors.contains(QStringLiteral("k-s%1-m1.png was not written").arg(s)),
                 qPrintable(key.errors));
    QVERIFY2(!key.errors.contains("0 of 100 regions have data"), qPrintable(key.errors));
}

void TestBatchMaps::joinLine_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("line");
    QTest::newRow("cube file") << "nc_births_74.tq"
                               << "100 of 100 regions have data; every statistics row matches "
                                  "a region\n";
    QTest::newRow("semicolon file")
        << "world_2014.sdv" << "167 of 177 regions have data; every statistics row matches a "
                               "region\n";
    QTest::newRow("mistyped codes")
        << "mistyped.sdv" << "2 of 100 regions have data; 3 statistics rows match no region: "
                             "3700l, 99999, XX\n";
    QTest::newRow("padded and repeated codes")
        << "repeated.sdv" << "2 of 100 regions have data; 7 statistics rows match no region: "
                             "ZZ1, ZZ1, ZZ2, ZZ3, ZZ4 and 2 more\n";
}

void TestBatchMaps::joinLine()
{
    QFETCH(QString, file);
    QFETCH(QString, line);
    const Run run = chorel({"-f", data(file), "-o", "j.png"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.errors, line);
    QCOMPARE(leftInTemporaryFolder(), QStringList());
}

void TestBatchMaps::chosenStatistic_data()
{
    QTest::addColumn<QStringList>("switches");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("written");
    QTest::addColumn<QString>("shown"); // the legend's title, or what stderr says
    const QStringList three{"s.svg", "sL.svg", "sLI.svg"};
    QTest::newRow("by number") << QStringList{"--stat", "2"} << 0 << three
                               << "Sudden infant deaths";
    QTest::newRow("by name") << QStringList{"--stat=non-white LIVE births"} << 0 << three
                             << "Non-white live births";
    QTest::newRow("with --each") << QStringList{"--each", "--stat", "Sudden infant deaths"} << 0
                                 << QStringList{"s-s2-m1.svg", "s-s2-m1L.svg", "s-s2-m1LI.svg"}
                                 << "Sudden infant deaths";
    QTest::newRow("unknown") << QStringList{"--stat", "Deaths"} << 2 << QStringList()
                             << "Unknown statistic \"Deaths\"; the statistics of "
                                "nc_births_74.tq are:\n  1  Live births\n"
                                "  2  Sudden infant deaths\n  3  Non-white live births\n";
    QTest::newRow("number out of range") << QStringList{"--stat", "4"} << 2 << QStringList()
                                         << "Unknown statistic \"4\"";
}

void TestBatchMaps::chosenStatistic()
{
    QFETCH(QStringList, switches);
    QFETCH(int, exitCode);
    QFETCH(QStringList, written);
    QFETCH(QString, shown);
    const Run run = chorel(QStringList{"-f", data("nc_births_74.tq"), "-o", "s.svg"} + switches);
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(QDir(m_home->filePath("out")).entryList(QDir::Files), written);
    if (exitCode != 0) {
        QVERIFY2(run.errors.contains(shown), qPrintable(run.errors));
        return;
    }
    QVERIFY(ReadSvg(out(written.at(1))).texts.contains(shown));
}

void TestBatchMaps::eachStatisticColoursTheCounties()
{
    qputenv("CHOREL_HOME", m_home->path().toLocal8Bit());
    qputenv("TMPDIR", m_home->filePath("tmp").toLocal8Bit());
    MainForm form(ParseCommandLine({"-f", data("nc_births_74.tq"), "-o", out("nc.bmp"), "--each"}),
                  StandardWindowParts());
    form.Load();
    form.show();
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(out("nc-s3-m1LI.bmp")), 60000);
    QCOMPARE(form.state().ExitCode, 0);
    // The three maps share the map's extent; the colour ramp has the same four classes.
    MapWidget &map = *form.session().Map;
    const auto layer = map.Layer(map.LayerCount() - 1);
    const auto renderer = layer->Renderer();
    QVERIFY(renderer && renderer->BreakCount() == 4);
    const auto colourAt = [&](const QString &county, int statistic) {
        for (int r = 0; r < layer->RecordCount(); ++r) {
            if (layer->FieldValue(r, "NAME").toString() != county)
                continue;
            const MapPoint centre = layer->RecordShape(r).Centroid();
            if (!layer->RecordShape(r).Contains(centre))
                return QColor();
            const QImage picture(out(QStringLiteral("nc-s%1-m1.bmp").arg(statistic)));
            return picture.pixelColor(map.FromMapPoint(centre).toPoint());
        }
        return QColor();
    };
    const auto classColour = [&](int c) { return toQColor(renderer->Symbol(c).Color); };
    // Mecklenburg has the most births, deaths and non-white births: the last class each time.
    for (int statistic = 1; statistic <= 3; ++statistic)
        QCOMPARE(colourAt("Mecklenburg", statistic), classColour(4));
    QCOMPARE(classColour(4), QColor(kMaroon));
    // Washington: 990 births (first class), 5 deaths (third), 521 non-white births (second).
    QCOMPARE(colourAt("Washington", 1), classColour(1));
    QCOMPARE(colourAt("Washington", 2), classColour(3));
    QCOMPARE(colourAt("Washington", 3), classColour(2));
}

void TestBatchMaps::eachEqualsSingleRuns_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("switches");
    QTest::addColumn<QStringList>("parts"); // the files of one map, after the base name
    const QStringList three{".png", "L.png", "LI.png"};
    QTest::newRow("choropleth") << "nc_births_74.tq" << QStringList() << three;
    QTest::newRow("circles") << "nc_births_74.tq" << QStringList{"-c", "circle"} << three;
    QTest::newRow("sheet") << "nc_births_74.tq" << QStringList{"--sheet", "--width", "900"}
                           << QStringList{".png"};
    // Statistics with data in other regions than the first one's: each map shows its own.
    QTest::newRow("world") << "world_2014.sdv" << QStringList() << three;
    QTest::newRow("world, sheet") << "world_2014.sdv" << QStringList{"--sheet"}
                                      << QStringList{".png"};
    QTest::newRow("second map") << "ny_leukaemia.tq" << QStringList() << three;
}

// --each keeps the layers read for the first statistic and only joins, classifies and draws
// the others: every file must be the one a run of that statistic alone writes, byte for byte.
void TestBatchMaps::eachEqualsSingleRuns()
{
    QFETCH(QString, file);
    QFETCH(QStringList, switches);
    QFETCH(QStringList, parts);
    const QString tq = data(file);
    const Run each = chorel(QStringList{"-f", tq, "-o", "e.png", "--each"} + switches);
    QVERIFY2(each.exitCode == 0, qPrintable(each.errors + log()));
    const auto bytes = [&](const QString &name) {
        QFile file(out(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    int statistics = 0;
    while (QFile::exists(out(QStringLiteral("e-s%1-m1.png").arg(statistics + 1))))
        ++statistics;
    QVERIFY(statistics >= 2);
    for (int s = 1; s <= statistics; ++s) {
        const QString single = QStringLiteral("one%1").arg(s);
        const Run run = chorel(QStringList{"-f", tq, "-o", single + ".png", "--stat",
                                           QString::number(s)} + switches);
        QVERIFY2(run.exitCode == 0, qPrintable(run.errors + log()));
        QVERIFY(each.errors.contains(QStringLiteral("e-s%1-m1.png: ").arg(s) + run.errors));
        for (const QString &part : parts) {
            const QByteArray alone = bytes(single + part);
            QVERIFY(!alone.isEmpty());
            QVERIFY2(bytes(QStringLiteral("e-s%1-m1").arg(s) + part) == alone,
                     qPrintable(QStringLiteral("statistic %1, file %2").arg(s).arg(part)));
        }
    }
}

QTEST_MAIN(TestBatchMaps)
#include "tst_batchmaps.moc"
