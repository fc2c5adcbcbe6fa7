// Settings files read and written through CKbUtil: the profile rules callers rely on.
#include "kitbag/kbutil.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestKbSettings : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    CKbUtil m_util;

    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write %s", qPrintable(path));
        file.write(bytes);
        return path;
    }

    QByteArray readAll(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void readIniFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");

        const QByteArray ini = "; comment line\r\n[DATA]\r\nSource = nc_births_74.tq \r\n"
                               "Empty=\r\nQuoted=\"  two words \"\r\nSingle='x'\r\n"
                               "Half=\"open\r\nEq=a=b\r\n[Other]\r\nSource=other\r\n";
        QTest::newRow("trimmed") << ini << "DATA" << "Source" << "nc_births_74.tq";
        QTest::newRow("case-insensitive") << ini << "data" << "SOURCE" << "nc_births_74.tq";
        QTest::newRow("empty value") << ini << "DATA" << "Empty" << "";
        QTest::newRow("missing key") << ini << "DATA" << "Nothing" << "";
        QTest::newRow("missing section") << ini << "Nowhere" << "Source" << "";
        QTest::newRow("double quotes removed") << ini << "DATA" << "Quoted" << "  two words ";
        QTest::newRow("single quotes removed") << ini << "DATA" << "Single" << "x";
        QTest::newRow("unmatched quote kept") << ini << "DATA" << "Half" << "\"open";
        QTest::newRow("first = splits") << ini << "DATA" << "Eq" << "a=b";
        QTest::newRow("other section") << ini << "other" << "source" << "other";
        QTest::newRow("LF line ends") << QByteArray("[A]\nk=v\n") << "A" << "k" << "v";
        QTest::newRow("Windows-1252") << QByteArray("[A]\r\nk=Tr\xf8ndelag\r\n") << "A" << "k"
                                      << QString::fromUtf8("Trøndelag");
        QTest::newRow("UTF-8") << QByteArray("[A]\r\nk=Tr\xc3\xb8ndelag\r\n") << "A" << "k"
                               << QString::fromUtf8("Trøndelag");
        QTest::newRow("section in two parts")
            << QByteArray("[A]\r\nx=1\r\n[B]\r\ny=2\r\n[a]\r\nz=3\r\n") << "A" << "z" << "3";
    }

    void readIniFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        const QString path = write(QStringLiteral("read.ini"), content);
        QCOMPARE(m_util.ReadIniFile(path, section, key), expected);
    }

    void readIniFileOfMissingFileIsEmpty()
    {
        QCOMPARE(m_util.ReadIniFile(m_dir.filePath(QStringLiteral("none.ini")), "A", "k"),
                 QString());
    }

    void lengthLimits()
    {
        const QByteArray longValue(300, 'x');
        const QString path = write(QStringLiteral("long.ini"), "[A]\r\nk=" + longValue + "\r\n");
        QCOMPARE(m_util.ReadIniFile(path, "A", "k").size(), 254);
        QCOMPARE(m_util.GetProfile("A", "k", "dflt", path).size(), 127);
        QCOMPARE(m_util.GetProfile("A", "missing", "dflt", path), QString("dflt"));
        QCOMPARE(m_util.GetProfile("A", "missing", QString(200, u'd'), path).size(), 127);
    }

    void profileSection()
    {
        const QString path =
            write(QStringLiteral("section.ini"), "[A]\r\n k = 1 \r\n;skip=me\r\nm=\"q\"\r\n[B]\r\nn=2\r\n");
        QCOMPARE(m_util.GetProfileSection("a", path), QString("k=1") + QChar(0) + "m=\"q\"" + QChar(0));
        QCOMPARE(m_util.GetProfileSection("C", path), QString());

        QByteArray many = "[A]\r\n";
        for (int i = 0; i < 40; ++i)
            many += "key" + QByteArray::number(i) + "=value\r\n";
        QCOMPARE(m_util.GetProfileSection("A", write(QStringLiteral("many.ini"), many)).size(), 254);
    }

    void writeProfile()
    {
        const QString path = m_dir.filePath(QStringLiteral("written.ini"));
        m_util.WriteProfile("DATA", "Source", "a.tq", path);
        m_util.WriteProfile("DATA", "Map", "2", path);
        m_util.WriteProfile("EXTENT", "Left", "1.5", path);
        m_util.WriteProfile("data", "SOURCE", "b.tq", path);
        QCOMPARE(readAll(path), QByteArray("[DATA]\r\nSOURCE=b.tq\r\nMap=2\r\n\r\n[EXTENT]\r\n"
                                           "Left=1.5\r\n"));
        QCOMPARE(m_util.ReadIniFile(path, "Data", "source"), QString("b.tq"));
        QCOMPARE(m_util.ReadIniFile(path, "Extent", "left"), QString("1.5"));
    }

    void writeProfileKeepsOtherLines()
    {
        const QString path = write(QStringLiteral("keep.ini"),
                                   "; made by hand\n[A]\nx=1\n\n[B]\ny=2\n");
        m_util.WriteProfile("A", "z", "3", path);
        QCOMPARE(readAll(path), QByteArray("; made by hand\r\n[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\n"
                                           "y=2\r\n"));
    }

    // The reader keeps a file it has parsed while the file is unchanged; any change (of the
    // same size, within the same second, or a new file put in its place) is read anew.
    void parsedFileFollowsChanges()
    {
        const QString path = write(QStringLiteral("kept.ini"), "[A]\nk=1\nk=2\n[a]\nk=3\nj=4\n");
        QCOMPARE(m_util.ReadIniFile(path, "a", "K"), QString("1"));
        QCOMPARE(m_util.ReadIniFile(path, "A", "j"), QString("4"));
        QCOMPARE(m_util.GetProfileSection("A", path), m_util.GetProfileSection("a", path));
        write(QStringLiteral("kept.ini"), "[A]\nk=5\nk=2\n[a]\nk=3\nj=4\n"); // same size
        QCOMPARE(m_util.ReadIniFile(path, "A", "k"), QString("5"));
        const QString other = write(QStringLiteral("other.ini"), "[A]\nk=6\n");
        QVERIFY(QFile::remove(path) && QFile::rename(other, path));
        QCOMPARE(m_util.ReadIniFile(path, "A", "k"), QString("6"));
        QCOMPARE(m_util.ReadIniFile(path, "A", "j"), QString());
        m_util.WriteProfile("A", "j", "7", path);
        QCOMPARE(m_util.ReadIniFile(path, "A", "j"), QString("7"));
        QVERIFY(QFile::remove(path));
        QCOMPARE(m_util.ReadIniFile(path, "A", "k"), QString());

        // 4,000 keys read one by one give every value (the time is measured in bench/).
        QByteArray many = "[CHOROPLET]\n";
        for (int i = 1; i <= 4000; ++i)
            many += "Color" + QByteArray::number(i) + '=' + QByteArray::number(i * 7) + '\n';
        const QString big = write(QStringLiteral("many.tqo"), many);
        for (int i = 1; i <= 4000; ++i)
            QCOMPARE(m_util.ReadIniFile(big, "CHOROPLET", QStringLiteral("COLOR%1").arg(i)),
                     QString::number(i * 7));
    }
};

QTEST_GUILESS_MAIN(TestKbSettings)
#include "tst_kbsettings.moc"
