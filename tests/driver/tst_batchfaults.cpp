// Batch runs of the real chorel program on inputs that once hung it, fooled it into reporting
// success, or ended it without a reason: each run's exit code, log entry, stderr and output.
// A hang shows as the test's timeout.
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

class TestBatchFaults : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_chorel;
    QString m_sample; // the births cube file, naming the map definition NC.INI

    QString path(const QString &name) const { return m_dir.filePath(name); }
    QString home(const QString &name) const { return path(QStringLiteral("home/") + name); }

    struct Result {
        int exitCode;
        QString err;
        QString log; // the entries this run wrote
    };

    Result run(const QStringList &arguments)
    {
        QFile::remove(home(QStringLiteral("Chorel.log")));
        QProcess chorel;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("CHOREL_HOME"), path(QStringLiteral("home")));
        env.insert(QStringLiteral("TMPDIR"), path(QStringLiteral("tmp")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        chorel.setProcessEnvironment(env);
        chorel.setWorkingDirectory(path(QStringLiteral("work")));
        chorel.start(m_chorel, arguments);
        chorel.waitForFinished(-1);
        QFile log(home(QStringLiteral("Chorel.log")));
        const QString entries = log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll())
                                                              : QString();
        return {chorel.exitStatus() == QProcess::NormalExit ? chorel.exitCode() : -1,
                QString::fromUtf8(chorel.readAllStandardError()), entries};
    }

    QString write(const QString &name, const QString &text)
    {
        QFile file(path(name));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write %s", qPrintable(name));
        file.write(text.toUtf8());
        return file.fileName();
    }

    QString fifo(const QString &name)
    {
        const QString p = path(name);
        QFile::remove(p);
        if (::mkfifo(QFile::encodeName(p).constData(), 0600) != 0)
            qFatal("cannot make the FIFO %s", qPrintable(p));
        return p;
    }

    // The sample cube file with one replacement, written under name.
    QString sampleWith(const QString &name, const QString &from, const QString &to)
    {
        QString text = m_sample;
        if (!text.contains(from))
            qFatal("the sample lacks %s", qPrintable(from));
        return write(name, text.replace(from, to));
    }

    // A copy of NC.INI as Maps/<name>.INI with one replacement, and a cube file naming it.
    QString mapDefinitionWith(const QString &name, const QString &from, const QString &to)
    {
        QFile nc(home(QStringLiteral("Maps/NC.INI")));
        if (!nc.open(QIODevice::ReadOnly))
            qFatal("NC.INI missing");
        QString ini = QString::fromUtf8(nc.readAll());
        write(QStringLiteral("home/Maps/") + name + QStringLiteral(".INI"), ini.replace(from, to));
        return sampleWith(name + QStringLiteral(".tq"), QStringLiteral("MAP(\"county\")=\"nc\""),
                          QStringLiteral("MAP(\"county\")=\"%1\"").arg(name.toLower()));
    }

    bool exists(const QString &name) const { return QFile::exists(path(name)); }

private slots:
    void initTestCase()
    {
        m_chorel = qEnvironmentVariable("CHOREL_BIN") + QStringLiteral("/chorel");
        QVERIFY2(QFile::exists(m_chorel), qPrintable(m_chorel));
        for (const char *folder : {"home/Maps", "tmp", "work/sub"})
            QVERIFY(QDir().mkpath(path(QString::fromLatin1(folder))));
        const QString samples = qEnvironmentVariable("CHOREL_SAMPLES");
        for (const char *file : {"NC.INI", "nc_counties.shp", "nc_counties.shx", "nc_counties.dbf"})
            QVERIFY(QFile::copy(samples + QStringLiteral("/Maps/") + QString::fromLatin1(file),
                                home(QStringLiteral("Maps/") + QString::fromLatin1(file))));
        QFile sample(samples + QStringLiteral("/TQ-files/nc_births_74.tq"));
        QVERIFY(sample.open(QIODevice::ReadOnly));
        m_sample = QString::fromUtf8(sample.readAll());
    }

    // Decimals outside what a table field holds: refused by name and value, no runaway.
    void decimalsOutOfRange_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::newRow("DECIMALS huge") << "DECIMALS=0;" << "DECIMALS=2000000000;";
        QTest::newRow("DECIMALS wrapping to 0") << "DECIMALS=0;" << "DECIMALS=65536;";
        QTest::newRow("DECIMALS negative") << "DECIMALS=0;" << "DECIMALS=-7;";
        QTest::newRow("PRECISION huge") << "DECIMALS=0;"
            << "DECIMALS=0;\r\nPRECISION(\"contents\",\"Live births\")=2000000000;";
    }

    void decimalsOutOfRange()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        const Result r = run({"-f", sampleWith("decimals.tq", from, to), "-o", "d.png"});
        QCOMPARE(r.exitCode, 1);
        const QString value = to.section(u'=', -1).chopped(1);
        QVERIFY2(r.log.contains(QStringLiteral("=%1 in the statistics file lies outside 0 to 15").arg(value)),
                 qPrintable(r.log));
        QVERIFY2(r.err.contains(QStringLiteral("lies outside 0 to 15")), qPrintable(r.err));
        QVERIFY(!exists("work/d.png"));
    }

    // Devices and FIFOs named as inputs are refused like missing files, never read.
    void devicesAndFifos()
    {
        Result r = run({"-f", "/dev/zero", "-o", "z.png"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.log.contains(QStringLiteral("Missing file /dev/zero")), qPrintable(r.log));
        QVERIFY(r.err.contains(QStringLiteral("Missing file /dev/zero")));

        const QString pipe = fifo(QStringLiteral("pipe.tq"));
        r = run({"-f", pipe, "-o", "z.png"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.log.contains(QStringLiteral("Missing file ") + pipe));

        // the map definition and the shapefile it names
        const QString data = sampleWith(QStringLiteral("fifo.tq"), QStringLiteral("\"nc\""),
                                        QStringLiteral("\"fifo\""));
        fifo(QStringLiteral("home/Maps/FIFO.INI"));
        r = run({"-f", data, "-o", "z.png"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.log.contains(QStringLiteral("Missing file")) && r.log.contains(QStringLiteral("FIFO.INI")),
                 qPrintable(r.log));
        QFile::remove(home(QStringLiteral("Maps/FIFO.INI")));
        fifo(QStringLiteral("home/Maps/pipe.shp"));
        const QString shapes =
            mapDefinitionWith(QStringLiteral("PIPE"), QStringLiteral("nc_counties.shp"), QStringLiteral("pipe.shp"));
        r = run({"-f", shapes, "-o", "z.png"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.log.contains(QStringLiteral("pipe.shp")), qPrintable(r.log));

        // an option file and a language file
        r = run({"-m", fifo(QStringLiteral("pipe.tqo")), "-o", "z.png"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.log.contains(QStringLiteral("Missing file ") + path(QStringLiteral("pipe.tqo"))));
        const QString nc = write(QStringLiteral("nc.tq"), m_sample);
        r = run({"-f", nc, "-l", fifo(QStringLiteral("pipe.lng")), "-o", "english.png"});
        QCOMPARE(r.exitCode, 0); // the program goes on in English
        QVERIFY(r.log.contains(QStringLiteral("Missing file ") + path(QStringLiteral("pipe.lng"))));
        QVERIFY(exists("work/english.png"));
        QVERIFY(!exists("work/z.png"));
    }

    // A cube file cut short, or with fewer values than regions x statistics, is broken.
    void dataCutShort()
    {
        QString text = m_sample;
        text.truncate(text.indexOf(QLatin1String("DATA=")) + 5);
        Result r = run({"-f", write(QStringLiteral("cut.tq"), text), "-o", "cut.png"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.log.contains(QStringLiteral("hold 0 values, fewer than the 300 that the 100 "
                                               "regions and 3 statistics")),
                 qPrintable(r.log));
        text = m_sample;
        text.truncate(text.lastIndexOf(QLatin1String("\r\n"), text.size() - 3) + 2);
        r = run({"-f", write(QStringLiteral("cut.tq"), text), "-o", "cut.png"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.log.contains(QStringLiteral("hold 297 values, fewer than the 300")), qPrintable(r.log));
        QVERIFY(r.err.contains(QStringLiteral("fewer than the 300")));
        QVERIFY(!exists("work/cut.png"));
    }

    // A size factor too small to give a readable picture is ignored like the other invalid ones.
    void tinySizeFactor()
    {
        const QString nc = write(QStringLiteral("nc.tq"), m_sample);
        QCOMPARE(run({"-f", nc, "-o", "normal.png"}).exitCode, 0);
        QCOMPARE(run({"-f", nc, "-o", "tiny.png", "-s", "0.0001"}).exitCode, 0);
        const QSize normal = QImageReader(path(QStringLiteral("work/normal.png"))).size();
        QVERIFY(normal.width() > 100);
        QCOMPARE(QImageReader(path(QStringLiteral("work/tiny.png"))).size(), normal);
        QCOMPARE(run({"-f", nc, "-o", "tenth.png", "-s", "0.1"}).exitCode, 0);
        QCOMPARE(QImageReader(path(QStringLiteral("work/tenth.png"))).size().width(),
                 qRound(normal.width() * 0.1));
    }

    // Every exit code 1 of a batch run has its reason in the log and on stderr.
    void noStatisticsFile_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no -f") << QStringList{"-o", "none.png"};
        QTest::newRow("empty -f") << QStringList{"-f", "", "-o", "none.png"};
    }

    void noStatisticsFile()
    {
        QFETCH(QStringList, arguments);
        const Result r = run(arguments);
        QCOMPARE(r.exitCode, 1);
        const QString reason = QStringLiteral("No statistics file: name one with /f");
        QVERIFY2(r.log.contains(reason), qPrintable(r.log));
        QVERIFY2(r.err.contains(reason), qPrintable(r.err));
        QVERIFY(!exists("work/none.png"));
    }

    // A KeyField the table lacks ends the batch run; the fields the table has are named.
    // A NameField the table lacks is told when the map is loaded, and the map is drawn.
    void fieldsTheTableLacks()
    {
        Result r = run({"-f", mapDefinitionWith(QStringLiteral("BADKEY"), QStringLiteral("KeyField=FIPS"),
                                                QStringLiteral("KeyField=FIPS_CODE")),
                        "-o", "key.png"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.log.contains(QStringLiteral("Can't connect statistics and map.")), qPrintable(r.log));
        QVERIFY2(r.log.contains(QStringLiteral("FIPS_CODE doesn't exist in nc_counties.dbf (Shape file)."),
                                Qt::CaseInsensitive),
                 qPrintable(r.log));
        QVERIFY2(r.log.contains(QStringLiteral("The table has the fields: CNTY_ID, AREA, PERIMETER, "
                                               "CNTY_, NAME, FIPS, FIPSNO,")),
                 qPrintable(r.log));
        QVERIFY(r.err.contains(QStringLiteral("FIPS_CODE doesn't exist")));
        QVERIFY(!exists("work/key.png"));

        r = run({"-f", mapDefinitionWith(QStringLiteral("BADNAME"), QStringLiteral("NameField=NAME"),
                                         QStringLiteral("NameField=COUNTY")),
                 "-o", "name.png"});
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.log.contains(QStringLiteral("COUNTY doesn't exist in")), qPrintable(r.log));
        QVERIFY(r.log.contains(QStringLiteral("The table has the fields: ")));
        QVERIFY(exists("work/name.png"));
    }

    // Classes an option file can't give end a batch run instead of an all-no-data map.
    void unreadableClasses()
    {
        const QString nc = write(QStringLiteral("nc.tq"), m_sample);
        const QString option = write(QStringLiteral("bad.tqo"),
            QStringLiteral("[DATA]\r\nSource=%1\r\nValue=1\r\nMap=1\r\n[SYMBOLIC]\r\n"
                           "Type=CHOROPLET\r\n[CHOROPLET]\r\nClasses=3\r\nClass1=10\r\n"
                           "Class2=many\r\nClass3=900\r\n").arg(nc));
        const Result r = run({"-m", option, "-o", "classes.png"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.log.contains(QStringLiteral("Wrong value in TQO file!")), qPrintable(r.log));
        QVERIFY(!exists("work/classes.png"));
    }

    // Output paths: "\" separates folders as in input paths; a drive letter and a missing
    // folder are refused plainly before any work is done.
    void outputPaths()
    {
        const QString nc = write(QStringLiteral("nc.tq"), m_sample);
        Result r = run({"-f", nc, "-o", "sub\\map.png"});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(exists("work/sub/map.png"));
        QVERIFY(exists("work/sub/mapL.png"));
        QVERIFY(!exists("work/sub\\map.png"));

        r = run({"-f", nc, "-o", "C:\\out\\map.png"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.log.contains(QStringLiteral("A drive letter has no meaning on this system")),
                 qPrintable(r.log));
        QVERIFY(r.err.contains(QStringLiteral("C:\\out\\map.png")));
        QCOMPARE(QDir(path(QStringLiteral("work"))).entryList({QStringLiteral("C:*")}), QStringList());

        r = run({"-f", nc, "-o", "nowhere/deeper/map.png"});
        QCOMPARE(r.exitCode, 1);
        const QString folder = path(QStringLiteral("work/nowhere/deeper"));
        QVERIFY2(r.log.contains(QStringLiteral("The folder of the output file does not exist: ") + folder),
                 qPrintable(r.log));
        // refused before the work: the run left no table in its working folder either
        QVERIFY(r.err.contains(folder));
        QVERIFY(!exists("work/nowhere"));
    }
};

QTEST_GUILESS_MAIN(TestBatchFaults)
#include "tst_batchfaults.moc"
