// The real chorel program: help, invalid switches, a batch run with a missing file, and the
// working folders of several instances running at once.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestChorelRun : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_chorel;
    QList<QProcess *> m_running;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("CHOREL_HOME"), path(QStringLiteral("home")));
        env.insert(QStringLiteral("TMPDIR"), path(QStringLiteral("tmp")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        return env;
    }

    struct Result {
        int exitCode;
        QString out;
        QString err;
    };

    Result run(const QStringList &arguments)
    {
        QProcess chorel;
        chorel.setProcessEnvironment(environment());
        chorel.setWorkingDirectory(m_dir.path());
        chorel.start(m_chorel, arguments);
        if (!chorel.waitForFinished(30000)) {
            chorel.kill();
            chorel.waitForFinished();
            return {-1, QString(), QStringLiteral("timed out")};
        }
        return {chorel.exitStatus() == QProcess::NormalExit ? chorel.exitCode() : -1,
                QString::fromUtf8(chorel.readAllStandardOutput()),
                QString::fromUtf8(chorel.readAllStandardError())};
    }

    // Starts an interactive instance and waits until its working folder exists.
    QProcess *startInstance()
    {
        auto *chorel = new QProcess(this);
        chorel->setProcessEnvironment(environment());
        chorel->start(m_chorel, {});
        if (!chorel->waitForStarted(10000))
            return nullptr;
        const QString folder = workFolderOf(chorel);
        QElapsedTimer timer;
        timer.start();
        while (!QDir(folder).exists() && timer.elapsed() < 20000)
            QTest::qWait(20);
        m_running << chorel;
        return QDir(folder).exists() ? chorel : nullptr;
    }

    QString workFolderOf(const QProcess *chorel) const
    {
        return path(QStringLiteral("tmp/Chorels%1").arg(chorel->processId()));
    }

    void stop(QProcess *chorel)
    {
        chorel->kill();
        chorel->waitForFinished();
        m_running.removeAll(chorel);
    }

    QString makeStaleFolder(const QString &name)
    {
        const QString folder = path(QStringLiteral("tmp/") + name);
        QDir().mkpath(folder + QStringLiteral("/Chart"));
        QFile file(folder + QStringLiteral("/Chart/Chart.dbf"));
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(file.fileName()));
        return folder;
    }

private slots:
    void initTestCase()
    {
        m_chorel = qEnvironmentVariable("CHOREL_BIN") + QStringLiteral("/chorel");
        QVERIFY2(QFile::exists(m_chorel), qPrintable(m_chorel));
        QVERIFY(QDir().mkpath(path(QStringLiteral("home"))));
        QVERIFY(QDir().mkpath(path(QStringLiteral("tmp"))));
    }

    void cleanup()
    {
        for (QProcess *chorel : std::as_const(m_running))
            stop(chorel);
    }

    void help()
    {
        const Result result = run({QStringLiteral("--help")});
        QCOMPARE(result.exitCode, 0);
        const QStringList lines = result.out.split(u'\n', Qt::SkipEmptyParts);
        QVERIFY(lines.size() > 7);
        QCOMPARE(lines.at(1), QString("\t/f tq or sdv file"));
        QCOMPARE(lines.at(6), QString("\t/s Size of exported map as a number"));
        // The long switches follow, one line each (or more where the text goes on).
        QVERIFY(lines.at(7).startsWith(QString("\t--help ")));
        QVERIFY(result.out.contains(QString("\n\t--width PIXELS ")));
        QVERIFY(result.out.contains(QString("\n\t--open FILE ")));
        // Then the output files, the web page with how to put it on another page.
        QVERIFY(result.out.contains(QString("<iframe src=\"map.html\"")));
    }

    // --help is answered before the program library, and with it the widgets, the painting
    // and the print system, is loaded; any other start loads it (and answers as before).
    void helpLoadsNoProgramLibrary()
    {
        const auto loadedBy = [this](const QStringList &arguments) {
            QProcess chorel;
            QProcessEnvironment env = environment();
            env.insert(QStringLiteral("LD_DEBUG"), QStringLiteral("files"));
            chorel.setProcessEnvironment(env);
            chorel.setWorkingDirectory(m_dir.path());
            chorel.start(m_chorel, arguments);
            chorel.waitForFinished(30000);
            return QString::fromLocal8Bit(chorel.readAllStandardError());
        };
        const QString help = loadedBy({QStringLiteral("--help")});
        QVERIFY(help.contains(QStringLiteral("libQt6Core")));
        QVERIFY(!help.contains(QStringLiteral("libchorelprogram")));
        QVERIFY(!help.contains(QStringLiteral("libQt6Widgets")));
        QVERIFY(!help.contains(QStringLiteral("libQt6Gui")));
        const QString batch = loadedBy({QStringLiteral("-f"), path(QStringLiteral("none.tq")),
                                        QStringLiteral("-o"), path(QStringLiteral("none.png"))});
        QVERIFY(batch.contains(QStringLiteral("libchorelprogram.so")));
        QVERIFY(batch.contains(QStringLiteral("libQt6Widgets")));

        // A map of shape files without a projection never loads GDAL or PROJ.
        // (The sample map definition and its layer in the program folder's Maps/.)
        const QString samples = qEnvironmentVariable("CHOREL_SAMPLES");
        QDir().mkpath(path(QStringLiteral("home/Maps")));
        for (const QString &name : {QStringLiteral("NC.INI"), QStringLiteral("nc_counties.shp"),
                                    QStringLiteral("nc_counties.shx"),
                                    QStringLiteral("nc_counties.dbf")})
            QVERIFY(QFile::copy(samples + QStringLiteral("/Maps/") + name,
                                path(QStringLiteral("home/Maps/") + name)));
        const QString map =
            loadedBy({QStringLiteral("-f"), samples + QStringLiteral("/TQ-files/nc_births_74.tq"),
                      QStringLiteral("-o"), path(QStringLiteral("nc.png"))});
        QVERIFY(QFileInfo::exists(path(QStringLiteral("nc.png"))));
        QVERIFY(!map.contains(QStringLiteral("libchorelgis")));
        QVERIFY(!map.contains(QStringLiteral("libgdal")));
        QVERIFY(!map.contains(QStringLiteral("libproj")));

        // The same map in a projection loads PROJ, and still not GDAL.
        const QString projected =
            loadedBy({QStringLiteral("-f"), samples + QStringLiteral("/TQ-files/nc_births_74.tq"),
                      QStringLiteral("-o"), path(QStringLiteral("nc_laea.png")),
                      QStringLiteral("--projection"), QStringLiteral("auto")});
        QVERIFY(QFileInfo::exists(path(QStringLiteral("nc_laea.png"))));
        QVERIFY(projected.contains(QStringLiteral("libchorelproj.so")));
        QVERIFY(projected.contains(QStringLiteral("libproj")));
        QVERIFY(!projected.contains(QStringLiteral("libchorelgis")));
        QVERIFY(!projected.contains(QStringLiteral("libgdal")));
    }

    void invalidSwitch_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("unknown switch") << QStringList{"-q"};
        QTest::newRow("unknown switch in a batch run") << QStringList{"-x", "-o", "x.png"};
        QTest::newRow("lone text file") << QStringList{"data.txt"};
        QTest::newRow("unknown long switch") << QStringList{"--widht", "300", "-o", "x.png"};
        QTest::newRow("long switch without its value") << QStringList{"-o", "x.png", "--width"};
    }

    void invalidSwitch()
    {
        QFETCH(QStringList, arguments);
        const Result result = run(arguments);
        QCOMPARE(result.exitCode, 2);
        QVERIFY2(result.err.contains(QStringLiteral("Not valid switch(es) : \n\t/f tq or sdv file\n")),
                 qPrintable(result.err));
        QVERIFY(!QFile::exists(path(QStringLiteral("x.png"))));
    }

    void missingFileInBatch()
    {
        const QString logFile = path(QStringLiteral("home/Chorel.log"));
        QFile::remove(logFile);
        const Result first = run({"-f", "missing.tq", "-o", "x.png"});
        QCOMPARE(first.exitCode, 1);
        const Result second = run({"/F", "missing.tq", "/o", "x.png"});
        QCOMPARE(second.exitCode, 1);
        QVERIFY(!QFile::exists(path(QStringLiteral("x.png"))));
        QFile log(logFile);
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(log.readAll()).split(QStringLiteral("\r\n"));
        // Two entries of: date and time, the message, an empty line.
        QCOMPARE(lines.size(), 7);
        for (int entry = 0; entry < 2; ++entry) {
            QVERIFY(QRegularExpression(QStringLiteral("^\\S+ \\S+")).match(lines.at(3 * entry)).hasMatch());
            QCOMPARE(lines.at(3 * entry + 1), QString("Missing file missing.tq"));
            QVERIFY(lines.at(3 * entry + 2).isEmpty());
        }
    }

    // A batch run whose statistics file exists but holds nothing ends with exit code 1.
    void batchRunOfAnEmptyStatisticsFileFails()
    {
        QFile data(path(QStringLiteral("home/a.tq")));
        QVERIFY(data.open(QIODevice::WriteOnly));
        data.close();
        const Result result = run({"-f", data.fileName(), "-o", "y.png"});
        QCOMPARE(result.exitCode, 1);
        QVERIFY(!QFile::exists(path(QStringLiteral("y.png"))));
    }

    // The folders of ended instances go at every start, even while others run; a running
    // instance's folder is never touched. Other folders whose names hold "Chorels" stay.
    void workFoldersOfSeveralInstances()
    {
        const QString stale1 = makeStaleFolder(QStringLiteral("Chorels999999"));
        QProcess *first = startInstance();
        QVERIFY(first);
        QVERIFY(!QDir(stale1).exists());

        const QString stale2 = makeStaleFolder(QStringLiteral("Chorels999998"));
        const QString unnamed = makeStaleFolder(QStringLiteral("OldChorels"));
        QProcess *second = startInstance();
        QVERIFY(second);
        QVERIFY(!QDir(stale2).exists());
        QVERIFY(QDir(unnamed).exists()); // not a working folder of ours
        const QString firstFolder = workFolderOf(first);
        const QString secondFolder = workFolderOf(second);
        QVERIFY(QDir(firstFolder).exists());

        stop(first); // killed: its folder and lock stay behind
        QVERIFY(QDir(firstFolder).exists());
        QProcess *third = startInstance();
        QVERIFY(third);
        QVERIFY2(!QDir(firstFolder).exists(), qPrintable(firstFolder));
        QVERIFY(QDir(secondFolder).exists());
        const QString thirdFolder = workFolderOf(third);
        stop(second);
        stop(third);

        QProcess *fourth = startInstance();
        QVERIFY(fourth);
        for (const QString &folder : {secondFolder, thirdFolder})
            QVERIFY2(!QDir(folder).exists(), qPrintable(folder));
        QVERIFY(QDir(workFolderOf(fourth)).exists());
        QVERIFY2(QFile::exists(unnamed + QStringLiteral("/Chart/Chart.dbf")), qPrintable(unnamed));
    }

    // A start removes exactly the working folders of ended instances: "Chorels" and digits, a
    // real folder. A user's folders named alike, and a link named like a working folder (on a
    // shared temporary folder anyone may plant one), stay with all they hold; no link is
    // followed.
    void startRemovesOnlyWorkingFolders()
    {
        QStringList kept;
        for (const char *name : {"MyChorelsMaps", "Chorels_backup", "Chorels12x", "chorels999990"})
            kept << makeStaleFolder(QString::fromLatin1(name)) + QStringLiteral("/Chart/Chart.dbf");
        const QString target = path(QStringLiteral("precious"));
        QVERIFY(QDir().mkpath(target + QStringLiteral("/inner")));
        for (const char *file : {"/map.shp", "/inner/table.dbf"}) {
            QFile f(target + QString::fromLatin1(file));
            QVERIFY(f.open(QIODevice::WriteOnly));
            kept << f.fileName();
        }
        const QString link = path(QStringLiteral("tmp/Chorels999997"));
        QFile::remove(link);
        QVERIFY(QFile::link(target, link));
        // A stale working folder holding a link to the same folder: the link goes, not what it
        // points to.
        const QString stale = makeStaleFolder(QStringLiteral("Chorels999996"));
        QVERIFY(QFile::link(target, stale + QStringLiteral("/Chart/outside")));

        QCOMPARE(run({"-f", "missing.tq", "-o", "x.png"}).exitCode, 1);
        for (const QString &file : kept)
            QVERIFY2(QFile::exists(file), qPrintable(file));
        QVERIFY(!QDir(stale).exists());
        QVERIFY(QFileInfo(link).isSymLink());
        QFile::remove(link);
        for (const char *name : {"MyChorelsMaps", "Chorels_backup", "Chorels12x", "chorels999990"})
            QDir(path(QStringLiteral("tmp/") + QString::fromLatin1(name))).removeRecursively();
    }

    // A temporary folder that is a file: the run says so, instead of a missing file.
    void temporaryFolderThatIsAFile()
    {
        QFile file(path(QStringLiteral("notafolder")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QProcess chorel;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("CHOREL_HOME"), path(QStringLiteral("home")));
        env.insert(QStringLiteral("TMPDIR"), file.fileName());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        chorel.setProcessEnvironment(env);
        chorel.start(m_chorel, {"-f", "missing.tq", "-o", path(QStringLiteral("x.png"))});
        QVERIFY(chorel.waitForFinished(60000));
        QCOMPARE(chorel.exitCode(), 1);
        const QString err = QString::fromUtf8(chorel.readAllStandardError());
        QVERIFY2(err.contains(QStringLiteral("is a file, not a folder")), qPrintable(err));
        QVERIFY2(!err.contains(QStringLiteral("Missing file")), qPrintable(err));
    }

    // A run that ends normally, with success or failure, leaves neither folder nor lock.
    void normalEndLeavesNothing()
    {
        QProcess *running = startInstance(); // its folder must survive the others
        QVERIFY(running);
        const QString runningFolder = workFolderOf(running);
        QFile mark(runningFolder + QStringLiteral("/mark.txt"));
        QVERIFY(mark.open(QIODevice::WriteOnly));
        mark.close();
        QCOMPARE(run({"-f", "missing.tq", "-o", "x.png"}).exitCode, 1);
        QCOMPARE(run({"--help"}).exitCode, 0);
        const QStringList left = QDir(path(QStringLiteral("tmp"))).entryList(
            {QStringLiteral("Chorel*")}, QDir::AllEntries | QDir::NoDotAndDotDot);
        QCOMPARE(left, (QStringList{QStringLiteral("Chorel-%1.lock").arg(running->processId()),
                                    QStringLiteral("Chorels%1").arg(running->processId())}));
        QVERIFY(mark.exists());
    }
};

QTEST_GUILESS_MAIN(TestChorelRun)
#include "tst_chorelrun.moc"
