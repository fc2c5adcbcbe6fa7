// CKbUtil's file, path, string and registry helpers, and the path and text helpers beside it.
#include "kitbag/kbpath.h"
#include "kitbag/kbtext.h"
#include "kitbag/kbutil.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

class TestKbUtil : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    CKbUtil m_util;

    QString touch(const QString &name)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(path));
        file.write("x");
        return path;
    }

private slots:
    void initTestCase()
    {
        // The registry stand-in and the settings store write below XDG_CONFIG_HOME.
        qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("config")).toLocal8Bit());
        QDir().mkpath(m_dir.filePath(QStringLiteral("sub/Folder")));
    }

    void fileAndFolderTests()
    {
        const QString file = touch(QStringLiteral("data file.tq"));
        const QString folder = m_dir.filePath(QStringLiteral("sub"));
        QVERIFY(m_util.FileExists(file));
        QVERIFY(m_util.FileExists(QStringLiteral("  \"") + file + QStringLiteral("\" ")));
        QVERIFY(m_util.FileExists(file + u'\\'));
        QVERIFY(!m_util.FileExists(folder));
        QVERIFY(!m_util.FileExists(file + QStringLiteral(".none")));
        QVERIFY(!m_util.FileExists(QString()));
        QVERIFY(m_util.DirExists(folder));
        QVERIFY(m_util.DirExists(folder + u'/'));
        QVERIFY(m_util.DirExists(folder + u'\\'));
        QVERIFY(!m_util.DirExists(folder + QStringLiteral("/none")));
        QVERIFY(!m_util.DirExists(file));
        QVERIFY(m_util.WriteAccess(folder));
        QVERIFY(!QFile::exists(folder + QStringLiteral("/VB6STTMP.CCT")));
        QVERIFY(!m_util.WriteAccess(folder + QStringLiteral("/none")));
    }

    void fileInUse()
    {
        const QString path = touch(QStringLiteral("locked.dbf"));
        QVERIFY(!m_util.FileInUse(path));
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR);
        QVERIFY(fd >= 0);
        QCOMPARE(::flock(fd, LOCK_EX | LOCK_NB), 0);
        QVERIFY(m_util.FileInUse(path));
        ::close(fd);
        QVERIFY(!m_util.FileInUse(path));
        QVERIFY(!m_util.FileInUse(path + QStringLiteral(".none")));
    }

    void getDrive_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("drive");
        QTest::newRow("share") << "\\\\srv\\share" << true << "\\\\srv\\share\\";
        QTest::newRow("share path") << "\\\\SRV\\Share\\x\\y" << true << "\\\\srv\\share\\";
        QTest::newRow("server only") << "\\\\srv" << false << "unchanged";
        QTest::newRow("drive path") << "D:\\x\\y" << true << "d:\\";
        QTest::newRow("letter") << "C" << true << "c:\\";
        QTest::newRow("drive") << "E:" << true << "e:\\";
        QTest::newRow("relative") << "abc" << false << "unchanged";
        QTest::newRow("empty") << "" << false << "unchanged";
    }

    void getDrive()
    {
        QFETCH(QString, path);
        QFETCH(bool, found);
        QFETCH(QString, drive);
        QString result = QStringLiteral("unchanged");
        QCOMPARE(m_util.GetDrive(path, result), found);
        QCOMPARE(result, drive);
    }

    void linuxRootAndFreeSpace()
    {
        QString root;
        QVERIFY(m_util.GetDrive(m_dir.filePath(QStringLiteral("not/yet/there")), root));
        QVERIFY(root.startsWith(u'/') && root.endsWith(u'/'));
        QVERIFY(m_util.GetDiskSpaceFree(m_dir.path()) > 0);
        QCOMPARE(m_util.GetDiskSpaceFree(QStringLiteral("nowhere")), -1);
    }

    void pathTexts()
    {
        QCOMPARE(m_util.Extension(QStringLiteral("C:\\a.b\\file")), QString());
        QCOMPARE(m_util.Extension(QStringLiteral("/a.b/file")), QString());
        QCOMPARE(m_util.Extension(QStringLiteral("map.tq")), QString("tq"));
        QString path = QStringLiteral("/data/maps   ");
        QCOMPARE(m_util.AddDirSep(path), QString("/data/maps/"));
        QCOMPARE(path, QString("/data/maps/"));
        path = QStringLiteral("C:\\maps\\");
        QCOMPARE(m_util.AddDirSep(path), QString("C:\\maps\\"));
        QVERIFY(m_util.fValidFilename(QStringLiteral("nc births.tq")));
        QVERIFY(!m_util.fValidFilename(QStringLiteral("a/b.tq")));
        QVERIFY(!m_util.fValidFilename(QStringLiteral("a|b")));
        QVERIFY(!m_util.fValidFilename(QString(260, u'a')));
    }

    void longPath()
    {
        const QString file = touch(QStringLiteral("sub/Folder/Map.SHP"));
        QCOMPARE(m_util.LongPath(QString()), QString());
        QCOMPARE(m_util.LongPath(m_dir.filePath(QStringLiteral("SUB/folder/map.shp"))), file);
        QString path = m_dir.filePath(QStringLiteral("sub/none.shp"));
        QCOMPARE(m_util.MakeLongPath(path), m_dir.filePath(QStringLiteral("sub/none.shp")));
        QCOMPARE(m_util.GetShortPathName(file), file);
        QCOMPARE(kbpath::findNoCase(m_dir.filePath(QStringLiteral("sub/folder/MAP.shp"))), file);
        QCOMPARE(kbpath::fromFilePath(QStringLiteral("..\\Maps\\nc.shp"), QStringLiteral("/p/TQ")),
                 QString("/p/Maps/nc.shp"));
        QCOMPARE(kbpath::fromFilePath(QStringLiteral("/abs/x.shp"), QStringLiteral("/p")),
                 QString("/abs/x.shp"));
    }

    void stringHelpers()
    {
        QCOMPARE(m_util.After("key=value", "="), QString("value"));
        QCOMPARE(m_util.Before("key=value", "="), QString("key"));
        QCOMPARE(m_util.After("keyvalue", "="), QString());
        QCOMPARE(m_util.Before("keyvalue", "="), QString());
        QCOMPARE(m_util.IndexInString("abcabc", "ca"), std::int16_t(3));
        QCOMPARE(m_util.IndexInString("abc", "x"), std::int16_t(0));
        QCOMPARE(m_util.Search("path/name.ext", ".\\/"), std::int16_t(5));
        QCOMPARE(m_util.Search("name", "./"), std::int16_t(0));
        QCOMPARE(m_util.strUnQuoteString("  \"a b\"  "), QString("a b"));
        QCOMPARE(m_util.strUnQuoteString("\"a b"), QString("\"a b"));
        QCOMPARE(m_util.strQuoteString(" a ", false, true), QString("\"a\""));
        QCOMPARE(m_util.strQuoteString("\"a\"", false, true), QString("\"a\""));
        QCOMPARE(m_util.strQuoteString("\"a\"", true, true), QString("\"\"a\"\""));
        QCOMPARE(m_util.strQuoteString(" a ", false, false), QString("\" a \""));
        QCOMPARE(m_util.AddQuotesToFN("a,b"), QString("\"a,b\""));
        QCOMPARE(m_util.AddQuotesToFN("ab"), QString("ab"));
        QString quoted = QStringLiteral("say \"x\"");
        QCOMPARE(m_util.ReplaceDoubleQuotes(quoted), QString("say 'x'"));
        QCOMPARE(quoted, QString("say 'x'"));
        QCOMPARE(m_util.StringFromBuffer(QString("ab") + QChar(0) + "cd"), QString("ab"));
    }

    void extractFilenameArg()
    {
        bool err = false;
        QString line = QStringLiteral("  \"my file.tq\" /o out.png");
        QCOMPARE(m_util.strExtractFilenameArg(line, err), QString("my file.tq"));
        QVERIFY(!err);
        QCOMPARE(line, QString("/o out.png"));
        QCOMPARE(m_util.strExtractFilenameArg(line, err), QString());
        QVERIFY(err);
        QCOMPARE(line, QString("/o out.png"));
        line = QStringLiteral("a.tq b.tq");
        QCOMPARE(m_util.strExtractFilenameArg(line, err), QString("a.tq"));
        QCOMPARE(line, QString("b.tq"));
        line = QStringLiteral("\"open");
        QCOMPARE(m_util.strExtractFilenameArg(line, err), QString());
        QVERIFY(err);
    }

    void extractFilenameItem()
    {
        const QString list = QStringLiteral(" a , \"b, c\" ,,\"d\" x");
        std::int16_t anchor = 1;
        bool err = false;
        QCOMPARE(m_util.strExtractFilenameItem(list, anchor, err), QString("a"));
        QVERIFY(!err);
        QCOMPARE(anchor, std::int16_t(4));
        anchor += 1;
        QCOMPARE(m_util.strExtractFilenameItem(list, anchor, err), QString("b, c"));
        QVERIFY(!err);
        anchor += 1;
        QCOMPARE(m_util.strExtractFilenameItem(list, anchor, err), QString());
        QVERIFY(err);
        anchor += 1;
        QCOMPARE(m_util.strExtractFilenameItem(list, anchor, err), QString("d"));
        QVERIFY(err); // text after the closing quote
    }

    void registryAndSettings()
    {
        const QString decimal = m_util.GetRegKeyValue(
            CKbUtil::HKEY_CURRENT_USER, "Control Panel\\International", "sDecimal");
        QCOMPARE(decimal, QString(QLocale::system().decimalPoint()));
        QVERIFY(m_util.UpdateRegKey(CKbUtil::HKEY_CURRENT_USER, "Software\\Chorel", "Last", "x.tq"));
        QVERIFY(m_util.UpdateRegKey(CKbUtil::HKEY_CURRENT_USER, "Software\\Chorel", "Blank", ""));
        QCOMPARE(m_util.GetRegKeyValue(CKbUtil::HKEY_CURRENT_USER, "software\\chorel", "LAST"),
                 QString("x.tq"));
        QCOMPARE(m_util.GetRegKeyValue(CKbUtil::HKEY_CURRENT_USER, "Software\\Chorel", "Blank"),
                 QString(" "));
        QCOMPARE(m_util.GetRegKeyValue(CKbUtil::HKEY_LOCAL_MACHINE, "Software\\Chorel", "Last"),
                 QString());

        m_util.SaveRegAppSetting("Chorel", "Recent", "File1", "a.tq");
        m_util.SaveRegAppSetting("Chorel", "Recent", "File2", "b.tq");
        QCOMPARE(m_util.GetRegAppSetting("Chorel", "Recent", "File2"), QString("b.tq"));
        QCOMPARE(m_util.GetRegAppSetting("Chorel", "Recent", "File3", "none"), QString("none"));
        QCOMPARE(m_util.GetAllRegAppSettings("Chorel", "Recent").size(), 2);
        m_util.DeleteRegAppSetting("Chorel", "Recent", "File1");
        QCOMPARE(m_util.GetAllRegAppSettings("Chorel", "Recent").size(), 1);
        m_util.DeleteRegAppSetting("Chorel", "Recent");
        QCOMPARE(m_util.GetAllRegAppSettings("Chorel", "Recent").size(), 0);
    }

    void platform()
    {
        QCOMPARE(m_util.GetWinPlatform(), 2);
        QVERIFY(m_util.IsWindowsNT());
        QVERIFY(!m_util.IsWindows95());
        QVERIFY(m_util.GetWindowsDir().endsWith(u'/'));
        QVERIFY(QDir(m_util.GetWindowsFontDir()).exists() || !QDir("/usr/share").exists());
    }

    void textDecoding()
    {
        QCOMPARE(kbtext::decode("\xef\xbb\xbfk\xc3\xa6r"), QString::fromUtf8("kær"));
        QCOMPARE(kbtext::decode("k\xe6r \x80"), QString::fromUtf8("kær €"));
        QCOMPARE(kbtext::normaliseLineEnds("a\nb\r\nc\rd"), QString("a\r\nb\r\nc\r\nd"));
    }
};

QTEST_GUILESS_MAIN(TestKbUtil)
#include "tst_kbutil.moc"
