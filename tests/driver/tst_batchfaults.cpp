// Batch runs of the real chorel program on inputs that once hung it, fooled it into reporting
// success, or ended it without a reason: each run's exit code, log entry, stderr and output.
// A hang shows as the test's timeout.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImageReader>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <csignal>

#include <sys/resource.h>
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

    // limitBytes > 0: no file of the run may grow beyond it (the system refuses the write),
    // which stands in for a full disk where no small file system can be mounted.
    Result run(const QStringList &arguments, rlim_t limitBytes = 0)
    {
        QFile::remove(home(QStringLiteral("Chorel.log")));
        QProcess chorel;
        if (limitBytes > 0)
            chorel.setChildProcessModifier([limitBytes] {
                const rlimit limit{limitBytes, limitBytes};
                ::setrlimit(RLIMIT_FSIZE, &limit);
                ::signal(SIGXFSZ, SIG_IGN);
            });
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

    QByteArray contents(const QString &name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The parse error of an XML document, or empty when it is well-formed.
    static QString xmlError(const QString &file)
    {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            return QStringLiteral("cannot open ") + file;
        QXmlStreamReader xml(&f);
        while (!xml.atEnd())
            xml.readNext();
        return xml.hasError() ? file + QStringLiteral(": ") + xml.errorString() : QString();
    }

    // Parses every SVG file under folder; the files parsed.
    int checkSvgFiles(const QString &folder)
    {
        int parsed = 0;
        QDirIterator it(folder, {QStringLiteral("*.svg")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString error = xmlError(it.next());
            if (!error.isEmpty())
                qWarning("%s", qPrintable(error));
            else
                ++parsed;
        }
        return parsed;
    }

    // A small file system for the full-disk cases: a tmpfs of sizeKb mounted on folder,
    // where the test may mount one (root). False where it cannot.
    bool mountSmallDisk(const QString &folder, int sizeKb)
    {
        QDir().mkpath(folder);
        QProcess mount;
        mount.start(QStringLiteral("mount"), {"-t", "tmpfs", "-o",
                                              QStringLiteral("size=%1k").arg(sizeKb), "tmpfs",
                                              folder});
        return mount.waitForFinished(10000) && mount.exitStatus() == QProcess::NormalExit &&
               mount.exitCode() == 0;
    }

    static void unmount(const QString &folder)
    {
        QProcess::execute(QStringLiteral("umount"), {folder});
    }

    // Fills the small file system on folder until only freeKb are left.
    static void leaveFree(const QString &folder, qint64 freeKb)
    {
        QFile::remove(folder + QStringLiteral("/filler"));
        const qint64 available = QStorageInfo(folder).bytesAvailable() / 1024;
        QFile filler(folder + QStringLiteral("/filler"));
        if (!filler.open(QIODevice::WriteOnly))
            qFatal("cannot fill %s", qPrintable(folder));
        const QByteArray block(1024, 'x');
        for (qint64 i = 0; i < available - freeKb; ++i)
            filler.write(block);
    }

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
        // a projected map reads the user's shape file where it lies: refused the same way
        r = run({"-f", shapes, "-o", "z.png", "--projection", "auto"});
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

    // The statistics table is built while the layers are copied: when both are faulty the
    // run still tells the layers' fault alone, as when one step follows the other, and when
    // only the table is, the table's.
    void layerAndTableFaultsTogether()
    {
        const QString cubeFile = mapDefinitionWith(QStringLiteral("GONE"), QStringLiteral("nc_counties.shp"),
                                                   QStringLiteral("gone.shp"));
        QFile cube(cubeFile);
        QVERIFY(cube.open(QIODevice::ReadOnly));
        QString text = QString::fromUtf8(cube.readAll());
        cube.close();
        text.truncate(text.indexOf(QLatin1String("DATA=")) + 5);
        Result r = run({"-f", write(QStringLiteral("gone.tq"), text), "-o", "gone.png"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.log.contains(QStringLiteral("gone.shp")), qPrintable(r.log));
        QVERIFY2(!r.log.contains(QStringLiteral("fewer than")) && !r.err.contains(QStringLiteral("fewer than")),
                 qPrintable(r.log + r.err));
        QVERIFY(!exists("work/gone.png"));
        // the table's fault with layers that are fine; nothing of the working folder is left
        text = m_sample;
        text.truncate(text.indexOf(QLatin1String("DATA=")) + 5);
        r = run({"-f", write(QStringLiteral("cut.tq"), text), "-o", "cut.png"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QStringLiteral("fewer than the 300")), qPrintable(r.err));
        const QStringList left = QDir(path(QStringLiteral("tmp"))).entryList({QStringLiteral("Chorel*")},
                                                                             QDir::NoDotAndDotDot | QDir::AllEntries);
        QVERIFY2(left.isEmpty(), qPrintable(left.join(u' ')));
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

    // A disk that fills while the outputs are written: the run ends with exit code 1 and the
    // system's reason; no output is left cut short or empty, an older file of the name stays
    // as it was, and no temporary file remains. On a small tmpfs where one may be mounted,
    // else with the system's file size limit standing in for the full disk.
    void fullDisk_data()
    {
        QTest::addColumn<QString>("extension");
        for (const char *e : {"svg", "pdf", "png", "bmp", "wmf"})
            QTest::newRow(e) << QString::fromLatin1(e);
    }

    void fullDisk()
    {
        QFETCH(QString, extension);
        const QString nc = write(QStringLiteral("nc.tq"), m_sample);
        // The sizes of the three files written with room enough.
        QVERIFY(QDir().mkpath(path(QStringLiteral("work/roomy"))));
        QCOMPARE(run({"-f", nc, "-o", "roomy/m." + extension}).exitCode, 0);
        QList<qint64> sizes;
        for (const char *suffix : {"", "L", "LI"})
            sizes << QFileInfo(path(QStringLiteral("work/roomy/m%1.%2")
                                        .arg(QString::fromLatin1(suffix), extension)))
                         .size();
        const QString disk = path(QStringLiteral("disk"));
        const bool mounted = mountSmallDisk(disk, 4096);
        const auto unmountLater = qScopeGuard([&] {
            if (mounted)
                unmount(disk);
        });
        // Free room (or the size limit) that cuts each of the files short: at its start, and
        // within its last few kilobytes, where buffered bytes wait to be written last.
        QList<qint64> points;
        qint64 before = 0;
        for (qint64 size : sizes) {
            points << before + 1 << before + std::max<qint64>(size - 3000, 1);
            before += size;
        }
        const QString reason = mounted ? QStringLiteral("No space left on device")
                                       : QStringLiteral("File too large");
        int runs = 0;
        for (qint64 point : points) {
            const QString folder = mounted ? disk : path(QStringLiteral("work/limited"));
            QDir(folder).removeRecursively();
            QDir().mkpath(folder);
            const QString old = folder + QStringLiteral("/m.") + extension;
            QFile oldFile(old);
            QVERIFY(oldFile.open(QIODevice::WriteOnly));
            oldFile.write("an older file\n");
            oldFile.close();
            Result r;
            if (mounted) {
                // tmpfs counts whole pages: the free room is rounded down to them.
                leaveFree(disk, std::max<qint64>(point / 1024 / 4 * 4, 0));
                r = run({"-f", nc, "-o", old});
            } else {
                // The working copies of the layer are larger than a limit below them.
                if (point < 70000)
                    continue;
                r = run({"-f", nc, "-o", old}, rlim_t(point));
            }
            ++runs;
            QCOMPARE(r.exitCode, 1);
            QVERIFY2(r.err.contains(reason), qPrintable(r.err));
            QVERIFY2(r.log.contains(reason), qPrintable(r.log));
            const QStringList left = QDir(folder).entryList(QDir::Files | QDir::Hidden);
            for (const QString &name : left) {
                if (name == QLatin1String("filler"))
                    continue;
                const QFileInfo info(folder + u'/' + name);
                QVERIFY2(!name.endsWith(QLatin1String(".tmp")), qPrintable(name));
                // Each file is the older one or a complete new one.
                const int part = name.startsWith(QLatin1String("mLI."))  ? 2
                                 : name.startsWith(QLatin1String("mL.")) ? 1
                                                                         : 0;
                const bool older = part == 0 && info.size() == 14;
                QVERIFY2(older || info.size() == sizes.at(part),
                         qPrintable(QStringLiteral("%1: %2 bytes at %3").arg(name).arg(info.size()).arg(point)));
            }
        }
        if (runs == 0)
            QSKIP("no small file system, and the files are smaller than the layer's copies");
    }

    // An output that is a symbolic link, a folder or a FIFO is refused by name; the file a
    // link points to (here the layer's table) stays as it was, and nothing is written.
    void outputsThatAreNoRegularFiles()
    {
        const QString nc = write(QStringLiteral("nc.tq"), m_sample);
        const QString table = home(QStringLiteral("Maps/nc_counties.dbf"));
        const QByteArray before = contents(QStringLiteral("home/Maps/nc_counties.dbf"));
        QVERIFY(QFile::link(table, path(QStringLiteral("work/linkL.png"))));
        Result r = run({"-f", nc, "-o", "link.png"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QStringLiteral("linkL.png is not written: it is a symbolic link")),
                 qPrintable(r.err));
        QVERIFY(r.log.contains(QStringLiteral("linkL.png")));
        QCOMPARE(contents(QStringLiteral("home/Maps/nc_counties.dbf")), before);
        QVERIFY(!exists("work/link.png"));

        // --each names are checked before the first map is written.
        QVERIFY(QFile::link(table, path(QStringLiteral("work/each-s3-m1.svg"))));
        r = run({"-f", nc, "-o", "each.svg", "--each"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QStringLiteral("each-s3-m1.svg is not written")), qPrintable(r.err));
        QVERIFY(!exists("work/each-s1-m1.svg"));
        QCOMPARE(contents(QStringLiteral("home/Maps/nc_counties.dbf")), before);

        QVERIFY(QDir().mkpath(path(QStringLiteral("work/folderLI.pdf"))));
        r = run({"-f", nc, "-o", "folder.pdf"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QStringLiteral("folderLI.pdf is not written: it is a folder")),
                 qPrintable(r.err));
        QVERIFY(!exists("work/folder.pdf"));

        fifo(QStringLiteral("work/pipe.bmp"));
        r = run({"-f", nc, "-o", "pipe.bmp"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QStringLiteral("pipe.bmp is not written: it is not a regular file")),
                 qPrintable(r.err));
    }

    // An output that is an input of the run under another name (a hard link) or under its own
    // is refused naming both; nothing is written and the input stays.
    void outputsThatAreInputs()
    {
        const QString nc = write(QStringLiteral("nc.tq"), m_sample);
        QFile::remove(path(QStringLiteral("work/stats.png")));
        QCOMPARE(::link(QFile::encodeName(nc).constData(),
                        QFile::encodeName(path(QStringLiteral("work/stats.png"))).constData()),
                 0);
        Result r = run({"-f", nc, "-o", "stats.png"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QStringLiteral("stats.png is the same file as the input ") + nc),
                 qPrintable(r.err));
        QCOMPARE(contents(QStringLiteral("nc.tq")), m_sample.toUtf8());
        QVERIFY(!exists("work/statsL.png"));

        // a language file whose name is a derived legend name
        QFile german(qEnvironmentVariable("CHOREL_SAMPLES") + QStringLiteral("/Languages/German.lng"));
        QVERIFY(german.open(QIODevice::ReadOnly));
        const QByteArray language = german.readAll();
        write(QStringLiteral("work/langLI.png"), QString::fromUtf8(language));
        r = run({"-f", nc, "-l", "langLI.png", "-o", "lang.png"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QStringLiteral("is the same file as the input langLI.png")),
                 qPrintable(r.err));
        QCOMPARE(contents(QStringLiteral("work/langLI.png")), language);
        QVERIFY(!exists("work/lang.png"));

        // a file of the layer under the name of an --each legend
        QCOMPARE(::link(QFile::encodeName(home(QStringLiteral("Maps/nc_counties.shx"))).constData(),
                        QFile::encodeName(path(QStringLiteral("work/e-s2-m1L.wmf"))).constData()),
                 0);
        const QByteArray index = contents(QStringLiteral("home/Maps/nc_counties.shx"));
        r = run({"-f", nc, "-o", "e.wmf", "--each"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QStringLiteral("e-s2-m1L.wmf is the same file as the input")) &&
                     r.err.contains(QStringLiteral("nc_counties.shx")),
                 qPrintable(r.err));
        QCOMPARE(contents(QStringLiteral("home/Maps/nc_counties.shx")), index);
        QVERIFY(!exists("work/e-s1-m1.wmf"));
    }

    // Texts reach SVG files escaped and without the characters XML cannot hold: a file name
    // with "&", a title and a statistic's name with "<", "&", U+0001 and U+FFFF. Every SVG
    // these runs write parses as XML.
    void svgTextsAreEscaped()
    {
        QString text = m_sample;
        text.replace(QStringLiteral("\"Live births\""),
                     QStringLiteral("\"Births <&> deaths\u0001\uFFFF\""));
        text.replace(QStringLiteral("TITLE=\"Live births"), QStringLiteral("TITLE=\"A & B < C\u0001"));
        const QString data = write(QStringLiteral("odd.tq"), text);
        QVERIFY(QDir().mkpath(path(QStringLiteral("work/svg"))));
        QCOMPARE(run({"-f", data, "-o", "svg/Births & deaths.svg"}).exitCode, 0);
        QCOMPARE(run({"-f", data, "-o", "svg/sheet & co.svg", "--sheet"}).exitCode, 0);
        QCOMPARE(run({"-f", data, "-o", "svg/each'\".svg", "--each"}).exitCode, 0);
        QCOMPARE(checkSvgFiles(path(QStringLiteral("work/svg"))),
                 QDir(path(QStringLiteral("work/svg"))).entryList({"*.svg"}).size());
        QVERIFY(QDir(path(QStringLiteral("work/svg"))).entryList({"*.svg"}).size() >= 13);
        const QByteArray map = contents(QStringLiteral("work/svg/Births & deaths.svg"));
        QVERIFY2(map.contains("<title>Births &amp; deaths</title>"), map.left(400).constData());
        const QByteArray sheet = contents(QStringLiteral("work/svg/sheet & co.svg"));
        QVERIFY2(sheet.contains("Births &lt;&amp;&gt; deaths"), sheet.constData());
        QVERIFY(!sheet.contains('\x01'));
        QVERIFY(!sheet.contains("\xEF\xBF\xBF"));
    }

    // Every reason of a failed batch run reaches stderr, not only the log.
    void reasonsOnStderr()
    {
        const QString nc = write(QStringLiteral("nc.tq"), m_sample);
        Result r = run({"-f", nc, "-o", "wide.png", "--width", "16001"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QStringLiteral("--width allows at most 16000")), qPrintable(r.err));

        r = run({"-f", nc, "-o", "map.jpg"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QStringLiteral("Wrong extension: jpg")) &&
                     r.err.contains(QStringLiteral("SVG")) && r.err.contains(QStringLiteral("PDF")),
                 qPrintable(r.err));
        QVERIFY2(!r.err.contains(QStringLiteral("regions have data")), qPrintable(r.err));

        // A name longer than the file system takes: its reason, not only that it failed.
        const QString longName = QString(251, u'n') + QStringLiteral(".png");
        r = run({"-f", nc, "-o", longName});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QStringLiteral("File name too long")), qPrintable(r.err));
    }

    // An option file with fewer colours than classes: the missing ones are filled from the
    // ramp between the given ones, and the run says no run-time error.
    void fewerColoursThanClasses()
    {
        const QString nc = write(QStringLiteral("nc.tq"), m_sample);
        const QString option = write(QStringLiteral("colours.tqo"),
            QStringLiteral("[DATA]\r\nSource=%1\r\nValue=1\r\nMap=1\r\n[SYMBOLIC]\r\n"
                           "Type=CHOROPLET\r\n[CHOROPLET]\r\nClasses=4\r\nRampColors=0\r\n"
                           "Color1=255\r\nColor2=16711680\r\nMinVal=0\r\nClass1=1000\r\n"
                           "Class2=2000\r\nClass3=4000\r\nClass4=30000\r\n").arg(nc));
        const Result r = run({"-m", option, "-o", "colours.png"});
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(!r.err.contains(QStringLiteral("Error #")), qPrintable(r.err));
        const QImage legend(path(QStringLiteral("work/coloursLI.png")));
        QVERIFY(!legend.isNull());
        QSet<QRgb> colours;
        for (int y = 0; y < legend.height(); ++y)
            for (int x = 0; x < legend.width(); ++x)
                colours.insert(legend.pixel(x, y) & 0xFFFFFF);
        // red, blue and two colours between them
        QVERIFY(colours.contains(0xFF0000) && colours.contains(0x0000FF));
        int between = 0;
        for (QRgb c : colours)
            between += qGreen(c) == 0 && qRed(c) > 0 && qBlue(c) > 0 && qRed(c) < 255;
        QVERIFY2(between >= 2, qPrintable(QString::number(colours.size())));
    }

    // An option file zoomed far in draws without overflowing the picture's arithmetic; an
    // extent that is no finite number is refused naming the key.
    void extremeExtents()
    {
        const QString nc = write(QStringLiteral("nc.tq"), m_sample);
        const QString tiny = write(QStringLiteral("tiny.tqo"),
            QStringLiteral("[DATA]\r\nSource=%1\r\nValue=1\r\nMap=1\r\n[SYMBOLIC]\r\n"
                           "Type=CHOROPLET\r\n[CHOROPLET]\r\nClasses=2\r\nRampColors=0\r\n"
                           "Color1=255\r\nColor2=16711680\r\nMinVal=0\r\nClass1=1000\r\n"
                           "Class2=30000\r\n[EXTENT]\r\nLeft=-80.000001\r\nRight=-80\r\n"
                           "Top=35.000001\r\nBottom=35\r\n").arg(nc));
        Result r = run({"-m", tiny, "-o", "tiny.png", "--width", "600"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(QImageReader(path(QStringLiteral("work/tiny.png"))).size().width(), 600);
        r = run({"-m", tiny, "-o", "tiny.svg", "--sheet"});
        QCOMPARE(r.exitCode, 0);

        const QString wide = write(QStringLiteral("wide.tqo"),
            QStringLiteral("[DATA]\r\nSource=%1\r\nValue=1\r\nMap=1\r\n[EXTENT]\r\n"
                           "Left=-1e308\r\nRight=1e308\r\nTop=1e308\r\nBottom=-1e308\r\n").arg(nc));
        r = run({"-m", wide, "-o", "wide.png"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QStringLiteral("[EXTENT]")), qPrintable(r.err));
        QVERIFY(!exists("work/wide.png"));
        const QString beyond = write(QStringLiteral("beyond.tqo"),
            QStringLiteral("[DATA]\r\nSource=%1\r\nValue=1\r\nMap=1\r\n[EXTENT]\r\n"
                           "Left=-80\r\nRight=1e309\r\nTop=36\r\nBottom=35\r\n").arg(nc));
        r = run({"-m", beyond, "-o", "beyond.png"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QStringLiteral("[EXTENT] Right=1e309")), qPrintable(r.err));
    }

    // Messages that say what is wrong with which file or value.
    void messagesInTheUsersTerms()
    {
        const QString sdv = QStringLiteral("NC.INI\r\nCounty;Births;\r\n37001;%1;\r\n%2;5;\r\n");
        Result r = run({"-f", write(QStringLiteral("big.sdv"), sdv.arg("1e308", "37003")), "-o", "b.png"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QStringLiteral("The value 1e+308 of region 37001, statistic "
                                               "\"Births\" in the statistics file is too large")),
                 qPrintable(r.err));
        r = run({"-f", write(QStringLiteral("big.sdv"), sdv.arg("1e240", "37003")), "-o", "b.png"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QStringLiteral("The value 1e+240 of region 37001")), qPrintable(r.err));
        QVERIFY2(!r.err.contains(QStringLiteral("which have to be identical")), qPrintable(r.err));
        const QString code(300, u'X');
        r = run({"-f", write(QStringLiteral("long.sdv"), sdv.arg("1", code)), "-o", "b.png"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QStringLiteral("has 300 characters; a region code has at most 254")),
                 qPrintable(r.err));
        QVERIFY(!exists("work/b.png"));

        write(QStringLiteral("home/Maps/EMPTY.INI"), QStringLiteral("[MAPS]\r\n"));
        r = run({"-f", sampleWith(QStringLiteral("empty.tq"), QStringLiteral("MAP(\"county\")=\"nc\""),
                                  QStringLiteral("MAP(\"county\")=\"empty\"")),
                 "-o", "e.png"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QStringLiteral("names no map")) && r.err.contains(QStringLiteral("EMPTY.INI")),
                 qPrintable(r.err));
        QVERIFY2(!r.err.contains(QStringLiteral("Subscript out of range")), qPrintable(r.err));

        // A damaged shapefile: the user's file is named, not the working copy.
        QFile shp(home(QStringLiteral("Maps/nc_counties.shp")));
        QVERIFY(shp.open(QIODevice::ReadOnly));
        const QByteArray shapes = shp.readAll();
        write(QStringLiteral("home/Maps/broken.shp"), QString());
        QFile broken(home(QStringLiteral("Maps/broken.shp")));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write(shapes.left(shapes.size() - 100));
        broken.close();
        for (const char *suffix : {".shx", ".dbf"})
            QVERIFY(QFile::copy(home(QStringLiteral("Maps/nc_counties") + QString::fromLatin1(suffix)),
                                home(QStringLiteral("Maps/broken") + QString::fromLatin1(suffix))));
        r = run({"-f", mapDefinitionWith(QStringLiteral("BROKEN"), QStringLiteral("nc_counties.shp"),
                                         QStringLiteral("broken.shp")),
                 "-o", "s.png"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(QStringLiteral("The shape file ") + home(QStringLiteral("Maps/broken.shp"))),
                 qPrintable(r.err));
        QVERIFY2(!r.err.contains(path(QStringLiteral("tmp/Chorels"))), qPrintable(r.err));
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
