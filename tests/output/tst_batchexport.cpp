#include "exportfixture.h"

#include <QDir>
#include "vectorreader.h"

#include <QDirIterator>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

// Batch runs of the real program: a program folder with Maps/ and TQ-files/ (CHOREL_HOME), a
// statistics file and an output file on the command line, and the files it leaves.
class TestBatchExport : public QObject {
    Q_OBJECT

private slots:
    void init();
    void threeFilesPerFormat_data();
    void threeFilesPerFormat();
    void exportScaleEnlargesTheMap();
    void dottedFolderKeepsItsName();
    void circleMap();
    void failures_data();
    void failures();
    void labelsOnEveryOutput();
    void labelsFromTheMapDefinition();
    void labelSwitchesNotValid_data();
    void labelSwitchesNotValid();
    void sizeZeroDrawsNoOutline();
    void sheetScaleBar();

private:
    // Runs chorel with the arguments in the output folder; returns the exit code.
    int run(const QStringList &arguments);
    QString log() const;
    // Replaces text in a file of the program folder.
    void edit(const QString &file, const QString &from, const QString &to);
    // The number N of "N labels placed" on stderr, -1 when it is not there.
    int labelsPlaced() const;
    // Share of the image's pixels that have the colour.
    static double share(const QImage &image, QRgb colour);

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<QTemporaryDir> m_out;
    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_stderr;
};

void TestBatchExport::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    m_out = std::make_unique<QTemporaryDir>();
    m_tmp = std::make_unique<QTemporaryDir>();
    const QDir samples(qEnvironmentVariable("CHOREL_SAMPLES"));
    for (const QString &sub : {QStringLiteral("Maps"), QStringLiteral("TQ-files")}) {
        QVERIFY(QDir(m_home->path()).mkpath(sub));
        const QDir from(samples.filePath(sub));
        for (const QString &name : from.entryList(QDir::Files))
            QVERIFY(QFile::copy(from.filePath(name), m_home->filePath(sub + u'/' + name)));
    }
}

int TestBatchExport::run(const QStringList &arguments)
{
    QProcess chorel;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CHOREL_HOME"), m_home->path());
    env.insert(QStringLiteral("TMPDIR"), m_tmp->path());
    env.remove(QStringLiteral("DISPLAY"));
    chorel.setProcessEnvironment(env);
    chorel.setWorkingDirectory(m_out->path());
    chorel.start(qEnvironmentVariable("CHOREL_BIN") + QStringLiteral("/chorel"), arguments);
    if (!chorel.waitForFinished(60000))
        return -1;
    m_stderr = QString::fromLocal8Bit(chorel.readAllStandardError());
    return chorel.exitStatus() == QProcess::NormalExit ? chorel.exitCode() : -2;
}

QString TestBatchExport::log() const
{
    return QString::fromUtf8(ReadAll(m_home->filePath(QStringLiteral("Chorel.log"))));
}

double TestBatchExport::share(const QImage &image, QRgb colour)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    qint64 count = 0;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            count += (line[x] & 0xFFFFFF) == (colour & 0xFFFFFF);
    }
    return double(count) / (qint64(rgb.width()) * rgb.height());
}

void TestBatchExport::threeFilesPerFormat_data()
{
    QTest::addColumn<QString>("statistics");
    QTest::addColumn<QString>("extension");
    QTest::newRow("png, cube file") << "nc_births_74.tq" << "png";
    QTest::newRow("wmf, cube file") << "nc_births_74.tq" << "wmf";
    QTest::newRow("png, semicolon file") << "world_2014.sdv" << "png";
}

void TestBatchExport::threeFilesPerFormat()
{
    QFETCH(QString, statistics);
    QFETCH(QString, extension);
    const QString data = m_home->filePath(QStringLiteral("TQ-files/") + statistics);
    QCOMPARE(run({QStringLiteral("-f"), data, QStringLiteral("-o"), "map." + extension}), 0);
    for (const QString &name : {"map." + extension, "mapL." + extension, "mapLI." + extension}) {
        const QString file = m_out->filePath(name);
        QVERIFY2(QFile::exists(file), qPrintable(name + "\n" + m_stderr + log()));
        if (extension == QLatin1String("wmf")) {
            QString why;
            QVERIFY2(WalkMetafile(ReadAll(file), nullptr, &why), qPrintable(name + ": " + why));
            continue;
        }
        const QImage image(file);
        QVERIFY(!image.isNull());
        if (extension == QLatin1String("png"))
            QCOMPARE(image.format(), QImage::Format_Indexed8);
    }
    // Nothing else in the output folder, and no temporary bitmap anywhere under TMPDIR.
    QCOMPARE(QDir(m_out->path()).entryList(QDir::Files).size(), 3);
    QDirIterator left(m_tmp->path(), {QStringLiteral("*.bmp")}, QDir::Files,
                      QDirIterator::Subdirectories);
    QVERIFY2(!left.hasNext(), qPrintable(left.hasNext() ? left.next() : QString()));
}

void TestBatchExport::exportScaleEnlargesTheMap()
{
    const QString data = m_home->filePath(QStringLiteral("TQ-files/nc_births_74.tq"));
    QCOMPARE(run({"-f", data, "-o", "one.png"}), 0);
    QCOMPARE(run({"-f", data, "-o", "big.png", "-s", "1.2"}), 0);
    QCOMPARE(run({"-f", data, "-o", "cut.png", "-s", "2"}), 0);
    const QSize one = QImageReader(m_out->filePath("one.png")).size();
    QCOMPARE(QImageReader(m_out->filePath("big.png")).size(),
             QSize(qRound(one.width() * 1.2), qRound(one.height() * 1.2)));
    // Above 1.5 the factor is cut to 1.5; the legends keep their own size.
    QCOMPARE(QImageReader(m_out->filePath("cut.png")).size(),
             QSize(qRound(one.width() * 1.5), qRound(one.height() * 1.5)));
    QCOMPARE(QImageReader(m_out->filePath("cutL.png")).size(),
             QImageReader(m_out->filePath("oneL.png")).size());
}

void TestBatchExport::dottedFolderKeepsItsName()
{
    const QString data = m_home->filePath(QStringLiteral("TQ-files/nc_births_74.tq"));
    QVERIFY(QDir(m_out->path()).mkpath(QStringLiteral("dir.v2")));
    QCOMPARE(run({"-f", data, "-o", "dir.v2/map.png"}), 0);
    QCOMPARE(QDir(m_out->filePath("dir.v2")).entryList(QDir::Files),
             (QStringList{"map.png", "mapL.png", "mapLI.png"}));
    QCOMPARE(QDir(m_out->path()).entryList(QDir::Files), QStringList());
    QCOMPARE(run({"-f", data, "-o", "./dir.v2/again.bmp"}), 0);
    QVERIFY(QFile::exists(m_out->filePath("dir.v2/againLI.bmp")));
}

void TestBatchExport::circleMap()
{
    const QString data = m_home->filePath(QStringLiteral("TQ-files/nc_births_74.tq"));
    QCOMPARE(run({"-f", data, "-o", "choro.png"}), 0);
    QCOMPARE(run({"-f", data, "-o", "circle.png", "-c", "circle"}), 0);
    const QImage choro(m_out->filePath("choro.png"));
    const QImage circle(m_out->filePath("circle.png"));
    // The map definition's circle colour is colPaleYellow (255, 255, 208); the choropleth's
    // last class is colMaroon (128, 0, 0). Circle maps leave the regions unfilled.
    const QRgb paleYellow = qRgb(255, 255, 208);
    const QRgb maroon = qRgb(128, 0, 0);
    QVERIFY(share(circle, paleYellow) > 0.01);
    QCOMPARE(share(circle, maroon), 0.0);
    QVERIFY(share(choro, maroon) > 0.01);
    QVERIFY(share(circle, qRgb(255, 255, 255)) > share(choro, qRgb(255, 255, 255)) + 0.1);
    QVERIFY(ReadAll(m_out->filePath("circleL.png")).size() > 0);
}

void TestBatchExport::failures_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("logged");
    QTest::newRow("unknown extension") << "map.jpg" << "Wrong extension: jpg\r\n(BMP/PNG/WMF/SVG/PDF/HTML)";
    QTest::newRow("upper-case extension") << "MAP.PNG" << "Wrong extension: PNG";
    QTest::newRow("no extension") << "map" << "Wrong extension: \r\n";
    // a missing folder is named before any work is done
    const QString missing = QStringLiteral("The folder of the output file does not exist: ");
    QTest::newRow("missing folder, png") << "nowhere/map.png" << missing;
    QTest::newRow("missing folder, bmp") << "nowhere/map.bmp" << missing;
    QTest::newRow("missing folder, wmf") << "nowhere/map.wmf" << missing;
}

void TestBatchExport::failures()
{
    QFETCH(QString, output);
    QFETCH(QString, logged);
    const QString data = m_home->filePath(QStringLiteral("TQ-files/nc_births_74.tq"));
    QCOMPARE(run({"-f", data, "-o", output}), 1);
    QVERIFY2(log().contains(logged), qPrintable(log()));
    QDirIterator written(m_out->path(), QDir::Files, QDirIterator::Subdirectories);
    QVERIFY(!written.hasNext());
}

void TestBatchExport::edit(const QString &file, const QString &from, const QString &to)
{
    QFile f(m_home->filePath(file));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QString text = QString::fromUtf8(f.readAll());
    f.close();
    QVERIFY(text.contains(from));
    text.replace(from, to);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text.toUtf8());
}

int TestBatchExport::labelsPlaced() const
{
    static const QRegularExpression placed(QStringLiteral("(\\d+) labels placed"));
    const QRegularExpressionMatch match = placed.match(m_stderr);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

void TestBatchExport::labelsOnEveryOutput()
{
    const QString data = m_home->filePath(QStringLiteral("TQ-files/nc_births_74.tq"));
    QCOMPARE(run({"-f", data, "-o", "nc.svg", "--width", "1600", "--labels", "name"}), 0);
    QVERIFY2(labelsPlaced() >= 95, qPrintable(m_stderr));
    const int placed = labelsPlaced();
    if (placed < 100)
        QVERIFY2(m_stderr.contains(QStringLiteral("left out: ")), qPrintable(m_stderr));
    const SvgContent svg = ReadSvg(m_out->filePath("nc.svg"));
    QVERIFY(svg.parsed);
    for (const char *county : {"Mecklenburg", "Wake", "Robeson"})
        QVERIFY2(svg.texts.contains(QLatin1String(county)), county);
    // The PDF and the metafile carry the same names as text.
    QCOMPARE(run({"-f", data, "-o", "nc.pdf", "--width", "1600", "--labels", "name"}), 0);
    QCOMPARE(labelsPlaced(), placed);
    const PdfContent pdf = ReadPdf(m_out->filePath("nc.pdf"));
    if (!pdf.skip)
        QVERIFY2(pdf.text.contains(QStringLiteral("Mecklenburg")), qPrintable(pdf.text));
    QCOMPARE(run({"-f", data, "-o", "nc.wmf", "--width", "1600", "--labels", "name"}), 0);
    QCOMPARE(labelsPlaced(), placed);
    QVERIFY(ReadAll(m_out->filePath("nc.wmf")).contains("Mecklenburg"));
    // Values as the legend writes them: larger values first.
    QCOMPARE(run({"-f", data, "-o", "v.svg", "--width", "1600", "--labels", "value"}), 0);
    QVERIFY(labelsPlaced() > 50);
    const SvgContent values = ReadSvg(m_out->filePath("v.svg"));
    static const QRegularExpression number(QStringLiteral("^[0-9]{1,3}(,[0-9]{3})*$"));
    QVERIFY(std::any_of(values.texts.cbegin(), values.texts.cend(),
                        [](const QString &t) { return number.match(t).hasMatch(); }));
}

void TestBatchExport::labelsFromTheMapDefinition()
{
    const QString data = m_home->filePath(QStringLiteral("TQ-files/nc_births_74.tq"));
    QCOMPARE(run({"-f", data, "-o", "plain.png"}), 0);
    QCOMPARE(labelsPlaced(), -1);
    const QByteArray plain = ReadAll(m_out->filePath("plain.png"));
    // A LabelField (with its own font size) labels the map without a switch; --labels none
    // draws the map as before.
    edit("Maps/NC.INI", "NameField=NAME", "NameField=NAME\r\nLabelField=NAME\r\nLabelSize=6");
    QCOMPARE(run({"-f", data, "-o", "named.png"}), 0);
    QVERIFY2(labelsPlaced() > 20, qPrintable(m_stderr));
    QVERIFY(ReadAll(m_out->filePath("named.png")) != plain);
    QCOMPARE(run({"-f", data, "-o", "none.png", "--labels", "none"}), 0);
    QCOMPARE(labelsPlaced(), -1);
    QCOMPARE(ReadAll(m_out->filePath("none.png")), plain);
    // A label field that the layer does not have is reported; the map is still written.
    edit("Maps/NC.INI", "LabelField=NAME", "LabelField=NOSUCH");
    QCOMPARE(run({"-f", data, "-o", "bad.png"}), 0);
    QVERIFY2(log().contains(QStringLiteral("NOSUCH")), qPrintable(log()));
    QCOMPARE(ReadAll(m_out->filePath("bad.png")), plain);
}

void TestBatchExport::labelSwitchesNotValid_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("named");
    QTest::newRow("labels") << QStringList{"--labels", "names"} << "--labels";
    QTest::newRow("outline") << QStringList{"--outline", "thin"} << "--outline";
    QTest::newRow("units") << QStringList{"--units", "ft"} << "--units";
}

void TestBatchExport::labelSwitchesNotValid()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, named);
    const QString data = m_home->filePath(QStringLiteral("TQ-files/nc_births_74.tq"));
    QCOMPARE(run(QStringList{"-f", data, "-o", "x.png"} + arguments), 2);
    QVERIFY2(m_stderr.contains(named), qPrintable(m_stderr));
    QVERIFY(!QFile::exists(m_out->filePath("x.png")));
}

void TestBatchExport::sizeZeroDrawsNoOutline()
{
    const QString data = m_home->filePath(QStringLiteral("TQ-files/nc_births_74.tq"));
    const QRgb grey = qRgb(128, 128, 128); // colGray, the outline of NC.INI
    QCOMPARE(run({"-f", data, "-o", "one.png"}), 0);
    QVERIFY(share(QImage(m_out->filePath("one.png")), grey) > 0.01);
    edit("Maps/NC.INI", "Size=1", "Size=0");
    QCOMPARE(run({"-f", data, "-o", "zero.png"}), 0);
    QCOMPARE(share(QImage(m_out->filePath("zero.png")), grey), 0.0);
}

void TestBatchExport::sheetScaleBar()
{
    // The tracts are projected in metres (their .prj): the sheet gets a scale bar, in
    // kilometres or miles; North Carolina has no .prj and no bar.
    const QString ny = m_home->filePath(QStringLiteral("TQ-files/ny_leukaemia.tq"));
    QCOMPARE(run({"-f", ny, "-o", "ny.svg", "--sheet"}), 0);
    static const QRegularExpression km(QStringLiteral("^[125]0* km$"));
    const SvgContent sheet = ReadSvg(m_out->filePath("ny.svg"));
    QVERIFY2(std::any_of(sheet.texts.cbegin(), sheet.texts.cend(),
                         [](const QString &t) { return km.match(t).hasMatch(); }),
             qPrintable(sheet.texts.join(" | ")));
    QCOMPARE(run({"-f", ny, "-o", "nymi.svg", "--sheet", "--units", "mi"}), 0);
    static const QRegularExpression mi(QStringLiteral("^[125]0* mi$"));
    const SvgContent miles = ReadSvg(m_out->filePath("nymi.svg"));
    QVERIFY(std::any_of(miles.texts.cbegin(), miles.texts.cend(),
                        [](const QString &t) { return mi.match(t).hasMatch(); }));
    QVERIFY(QFile::remove(m_home->filePath("Maps/ny8_tracts.prj")));
    QCOMPARE(run({"-f", ny, "-o", "noprj.svg", "--sheet"}), 0);
    const SvgContent none = ReadSvg(m_out->filePath("noprj.svg"));
    QVERIFY(std::none_of(none.texts.cbegin(), none.texts.cend(),
                         [](const QString &t) { return t.endsWith(" km"); }));
    // Without the bar's row the sheet is shorter.
    QVERIFY(none.viewBox.section(u' ', 3).toDouble() < sheet.viewBox.section(u' ', 3).toDouble());
}

QTEST_MAIN(TestBatchExport)
#include "tst_batchexport.moc"
