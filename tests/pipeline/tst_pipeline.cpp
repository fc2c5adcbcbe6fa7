#include <QDate>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// Batch runs of the real program on a program folder of its own (CHOREL_HOME) holding the
// sample map definitions and statistics files: every failure of the pipeline gives exactly
// one log entry, exit code 1 and no output file; no message box ever waits.
class TestPipeline : public QObject {
    Q_OBJECT

private slots:
    void init();
    void failures_data();
    void failures();
    void mapFromStatisticsAndOptionFile_data();
    void mapFromStatisticsAndOptionFile();

private:
    struct Run {
        int exitCode = -1;
        QString log;
        QByteArray errors;
    };
    Run chorel(const QStringList &arguments);
    void writeFile(const QString &path, const QByteArray &text);
    // Every entry begins with a line of today's date and the time.
    static int entries(const QString &log)
    {
        const QString today = QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
        return int((QStringLiteral("\r\n") + log).count(QStringLiteral("\r\n") + today + u' '));
    }

    std::unique_ptr<QTemporaryDir> m_home;
};

void TestPipeline::writeFile(const QString &path, const QByteArray &text) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

void TestPipeline::init() {
    m_home = std::make_unique<QTemporaryDir>();
    QDir home(m_home->path());
    QVERIFY(home.mkdir(QStringLiteral("Maps")) && home.mkdir(QStringLiteral("TQ-files")));
    const QString samples = qEnvironmentVariable("CHOREL_SAMPLES");
    for (const QString &folder : {QStringLiteral("Maps"), QStringLiteral("TQ-files")}) {
        const QDir from(samples + u'/' + folder);
        for (const QString &name : from.entryList(QDir::Files))
            QVERIFY(QFile::link(from.filePath(name), home.filePath(folder + u'/' + name)));
    }
    writeFile(home.filePath(QStringLiteral("Maps/BROKEN.INI")),
              "[MAPS]\r\nNumMaps=1\r\n1=missing.shp\r\n[FIELDS1]\r\nKeyField=iso_a2\r\n");
    writeFile(home.filePath(QStringLiteral("TQ-files/nomap.sdv")),
              "Nowhere.ini\r\nCountry;Population;\r\nAE;9070867;\r\n");
    writeFile(home.filePath(QStringLiteral("TQ-files/noshape.sdv")),
              "BROKEN.INI\r\nCountry;Population;\r\nAE;9070867;\r\n");
    writeFile(home.filePath(QStringLiteral("TQ-files/bad.sdv")), "World.ini\r\n");
    // Damaged layers: a table that is no table, and a shapefile cut short.
    QFile shp(samples + QStringLiteral("/Maps/nc_counties.shp"));
    QVERIFY(shp.open(QIODevice::ReadOnly));
    const QByteArray shapes = shp.readAll();
    for (const QString &base : {QStringLiteral("badtable"), QStringLiteral("cutshort")}) {
        QVERIFY(QFile::copy(samples + QStringLiteral("/Maps/nc_counties.shx"),
                            home.filePath(QStringLiteral("Maps/") + base + QStringLiteral(".shx"))));
        writeFile(home.filePath(QStringLiteral("Maps/") + base.toUpper() + QStringLiteral(".INI")),
                  "[MAPS]\r\nNumMaps=1\r\n1=" + base.toLatin1() +
                      ".shp\r\n[FIELDS1]\r\nKeyField=FIPS\r\n");
        writeFile(home.filePath(QStringLiteral("TQ-files/") + base + QStringLiteral(".sdv")),
                  base.toUpper().toLatin1() + ".INI\r\nCounty;Births;\r\n37001;5;\r\n");
    }
    writeFile(home.filePath(QStringLiteral("Maps/badtable.shp")), shapes);
    writeFile(home.filePath(QStringLiteral("Maps/badtable.dbf")), "not a table");
    writeFile(home.filePath(QStringLiteral("Maps/cutshort.shp")), shapes.left(5000));
    QVERIFY(QFile::copy(samples + QStringLiteral("/Maps/nc_counties.dbf"),
                        home.filePath(QStringLiteral("Maps/cutshort.dbf"))));
    writeFile(home.filePath(QStringLiteral("nosource.tqo")), "[DATA]\r\nSource=\r\nValue=1\r\n");
    writeFile(home.filePath(QStringLiteral("value.tqo")),
              "[DATA]\r\nSource=nc_births_74.tq\r\nValue=2.7\r\nMap=1\r\n\r\n[SYMBOLIC]\r\n"
              "Type=CHOROPLET\r\n\r\n[CHOROPLET]\r\nClasses=3\r\nRampColors=1\r\n"
              "StartColor=colYellow\r\nEndColor=colRed\r\nMinVal=0\r\nClass1=20\r\n"
              "Class2=60\r\nClass3=300\r\n");
}

TestPipeline::Run TestPipeline::chorel(const QStringList &arguments) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("CHOREL_HOME"), m_home->path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(m_home->path());
    process.start(qEnvironmentVariable("CHOREL_BIN") + QStringLiteral("/chorel"), arguments);
    Run run;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.errors = process.readAllStandardError();
    QFile log(m_home->filePath(QStringLiteral("Chorel.log")));
    if (log.open(QIODevice::ReadOnly))
        run.log = QString::fromUtf8(log.readAll());
    return run;
}

void TestPipeline::failures_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("logged");
    QTest::newRow("missing map definition")
        << QStringList{"-f", "TQ-files/nomap.sdv"}
        << QStringLiteral("Looked for it in, in order:\r\n1. /");
    QTest::newRow("missing shapefile")
        << QStringList{"-f", "TQ-files/noshape.sdv"}
        << QStringLiteral("Can't connect statistics and map.\r\nShape file ");
    QTest::newRow("bad statistics file") << QStringList{"-f", "TQ-files/bad.sdv"} << QString();
    QTest::newRow("layer table that is no table")
        << QStringList{"-f", "TQ-files/badtable.sdv"} << QStringLiteral("\r\nError #");
    QTest::newRow("shapefile cut short")
        << QStringList{"-f", "TQ-files/cutshort.sdv"} << QStringLiteral("cut short");
    QTest::newRow("missing statistics file")
        << QStringList{"-f", "TQ-files/absent.tq"} << QStringLiteral("Missing file ");
    QTest::newRow("option file without source")
        << QStringList{"-m", "nosource.tqo"} << QStringLiteral("Missing file ");
}

void TestPipeline::failures() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, logged);
    const QString output = m_home->filePath(QStringLiteral("out.png"));
    const Run run = chorel(arguments << QStringLiteral("-o") << output);
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(entries(run.log), 1);
    QVERIFY2(run.log.contains(logged), qPrintable(run.log));
    QVERIFY(!QFile::exists(output));
}

void TestPipeline::mapFromStatisticsAndOptionFile_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("statistics file") << QStringList{"-f", "TQ-files/nc_births_74.tq"};
    QTest::newRow("semicolon file") << QStringList{"-f", "TQ-files/world_2014.sdv"};
    QTest::newRow("option file, value 2.7") << QStringList{"-m", "value.tqo"};
}

void TestPipeline::mapFromStatisticsAndOptionFile() {
    QFETCH(QStringList, arguments);
    const QString output = m_home->filePath(QStringLiteral("map.png"));
    const Run run = chorel(arguments << QStringLiteral("-o") << output);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(entries(run.log), 0);
    QImage image(output);
    QVERIFY(!image.isNull());
    QVERIFY(QFile::exists(m_home->filePath(QStringLiteral("mapL.png"))));
}

QTEST_GUILESS_MAIN(TestPipeline)
#include "tst_pipeline.moc"
