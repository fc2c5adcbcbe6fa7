#include "exportfixture.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImageReader>
#include <QProcess>
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

private:
    // Runs chorel with the arguments in the output folder; returns the exit code.
    int run(const QStringList &arguments);
    QString log() const;
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
    QTest::newRow("unknown extension") << "map.jpg" << "Wrong extension: jpg\r\n(BMP/PNG/WMF)";
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

QTEST_MAIN(TestBatchExport)
#include "tst_batchexport.moc"
