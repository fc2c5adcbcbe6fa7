// The log writer, the error report and how messages reach the user in both modes.
#include "app/runtime/chorelglobals.h"
#include "app/runtime/logfile.h"
#include "app/runtime/showmessage.h"
#include "app/runtime/messagetable.h"
#include "contracts/messagehook.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Shown {
    QString caption;
    int buttons;
    QString text;
};

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(bytes);
}

// Child process: appends count entries "<tag> <n>" to the log at path.
int appendEntries(const QString &path, const QString &tag, int count)
{
    for (int i = 0; i < count; ++i)
        WriteLog(path, tag + u' ' + QString::number(i));
    return 0;
}

} // namespace

class TestErrorLog : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QList<Shown> m_shown;

    QString logPath() const { return Globals().LogFile; }

private slots:
    void initTestCase()
    {
        SetDefaultTexts();
        SetMessageBoxFunction([this](const QString &caption, int buttons, const QString &text) {
            m_shown.append({caption, buttons, text});
        });
    }

    void init()
    {
        m_shown.clear();
        SetBatchMessages(false);
        Globals().LogFile = m_dir.filePath(QStringLiteral("Chorel.log"));
        QFile::remove(Globals().LogFile);
    }

    void logKeepsContentBelowTheLimit_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("kept");
        QTest::newRow("999,999 bytes") << 999999 << true;
        QTest::newRow("1,000,000 bytes") << 1000000 << false;
        QTest::newRow("1,500,000 bytes") << 1500000 << false;
    }

    void logKeepsContentBelowTheLimit()
    {
        QFETCH(int, size);
        QFETCH(bool, kept);
        const QByteArray old(size, 'o');
        writeFile(logPath(), old);
        WriteLog(logPath(), QStringLiteral("new entry"));
        const QByteArray expected = (kept ? old : QByteArray()) + "new entry\r\n";
        QCOMPARE(readAll(logPath()), expected);
    }

    void logThatCannotBeWrittenRaises()
    {
        QVERIFY_THROWS_EXCEPTION(RunTimeError,
                                 WriteLog(m_dir.filePath(QStringLiteral("no/such/folder.log")),
                                          QStringLiteral("x")));
    }

    void concurrentWritersLoseNothing()
    {
        const int writers = 4;
        const int entries = 250;
        QList<QProcess *> children;
        for (int w = 0; w < writers; ++w) {
            auto *child = new QProcess(this);
            child->start(QCoreApplication::applicationFilePath(),
                         {QStringLiteral("--append-log"), logPath(),
                          QStringLiteral("writer%1").arg(w), QString::number(entries)});
            children << child;
        }
        for (QProcess *child : children) {
            QVERIFY(child->waitForFinished(60000));
            QCOMPARE(child->exitCode(), 0);
        }
        const QList<QByteArray> lines = readAll(logPath()).split('\n');
        QCOMPARE(lines.size(), writers * entries + 1);
        QSet<QByteArray> seen;
        for (const QByteArray &line : lines.first(lines.size() - 1)) {
            QVERIFY2(line.endsWith('\r'), line.constData());
            seen.insert(line.chopped(1));
        }
        for (int w = 0; w < writers; ++w)
            for (int i = 0; i < entries; ++i)
                QVERIFY(seen.contains(QStringLiteral("writer%1 %2").arg(w).arg(i).toLatin1()));
    }

    void errorReportLayout_data()
    {
        QTest::addColumn<QString>("helpFile");
        QTest::addColumn<QString>("helpLines");
        QTest::newRow("no help file") << "" << "   No Help file available\r\r";
        QTest::newRow("help file") << "tq.hlp" << "   (HelpFile: tq.hlp)\r   (HelpContext: 7)\r\r";
    }

    void errorReportLayout()
    {
        QFETCH(QString, helpFile);
        QFETCH(QString, helpLines);
        const RunTimeError error(5, QStringLiteral("Invalid procedure call"),
                                 QStringLiteral("BuildView"), 2, helpFile, 7);
        QCOMPARE(BuildErrorReport(error),
                 QStringLiteral("Error #5\r   Invalid procedure call\r   (Source: BuildView)\r"
                                "   (Last DLL error: 2)\r") + helpLines);
    }

    void errorReportIsLoggedAndNoticed()
    {
        const RunTimeError error(13, QStringLiteral("Type mismatch"), QStringLiteral("Chorel"));
        ShowMessage(QStringLiteral("Chorel (BuildView)"), 16, error);
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown.at(0).caption, QString("Chorel (BuildView)"));
        QCOMPARE(m_shown.at(0).buttons, 16);
        QCOMPARE(m_shown.at(0).text,
                 QStringLiteral("An error occured! Check the data and the operasjon.\r\n"
                                "More information in the Log file\r\n") + logPath());
        // In the log every line break of the report is a CR LF, as between entries.
        const QString log = QString::fromUtf8(readAll(logPath()));
        QCOMPARE(log.count(u'\r'), log.count(QStringLiteral("\r\n")));
        QCOMPARE(log.count(u'\n'), log.count(QStringLiteral("\r\n")));
        const QStringList lines = log.split(QStringLiteral("\r\n"));
        QCOMPARE(lines.mid(1, 5), (QStringList{"Chorel (BuildView)", "Error #13", "   Type mismatch",
                                               "   (Source: Chorel)", "   (Last DLL error: 0)"}));
        QVERIFY(log.endsWith(QStringLiteral("No Help file available\r\n\r\n\r\n\r\n")));
    }

    void specialErrorNumbers_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("shown");
        QTest::newRow("missing parameter") << -2147217904 << "Missing numeric data.";
        QTest::newRow("read past end") << 62 << "";
        QTest::newRow("invalid property value") << 380 << "";
    }

    void specialErrorNumbers()
    {
        QFETCH(int, number);
        QFETCH(QString, shown);
        ShowMessage(QStringLiteral("Chorel (BuildView)"), 16,
                    RunTimeError(number, QStringLiteral("x")));
        QCOMPARE(m_shown.size(), shown.isEmpty() ? 0 : 1);
        if (!shown.isEmpty())
            QCOMPARE(m_shown.at(0).text, shown);
        QVERIFY(!QFile::exists(logPath()));
    }

    void plainMessages()
    {
        ShowMessage(QStringLiteral("Chorel"), 64, QString());
        QVERIFY(m_shown.isEmpty());
        ShowMessage(QStringLiteral("Chorel"), 64, QStringLiteral("Missing file a.tq"));
        QCOMPARE(m_shown.size(), 1);
        QVERIFY(!QFile::exists(logPath()));
    }

    void batchModeNeverShowsABox()
    {
        SetBatchMessages(true);
        InstallMessageHook();
        ShowMessage(QStringLiteral("Chorel"), 64, QStringLiteral("Missing file a.tq"));
        showLibraryMessage(QStringLiteral("Chorel (Join)"), 48, QStringLiteral("No such field"));
        ShowMessage(QStringLiteral("Chorel (tmStart)"), 16,
                    RunTimeError(9, QStringLiteral("Subscript out of range")));
        QVERIFY(m_shown.isEmpty());
        const QString log = QString::fromUtf8(readAll(logPath()));
        // Messages are logged as every batch entry: date and time, then the message alone;
        // error reports keep the caption of the procedure on its own line.
        const QStringList entries = log.split(QStringLiteral("\r\n\r\n"));
        QCOMPARE(entries.at(0).section(QStringLiteral("\r\n"), 1), QStringLiteral("Missing file a.tq"));
        QCOMPARE(entries.at(1).section(QStringLiteral("\r\n"), 1), QStringLiteral("No such field"));
        QVERIFY(log.contains(QStringLiteral("\r\nChorel (tmStart)\r\nError #9\r\n")));
        QVERIFY(!log.contains(QStringLiteral("An error occured")));
        QCOMPARE(log.count(u'\r'), log.count(QStringLiteral("\r\n")));
    }

    void batchLogEntry()
    {
        QVERIFY(WriteBatchLog(QStringLiteral("Missing file b.tq")));
        const QStringList lines = QString::fromUtf8(readAll(logPath())).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines.at(0).startsWith(
            QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat) + u' '));
        QCOMPARE(lines.at(1), QString("Missing file b.tq"));
        QVERIFY(lines.at(2).isEmpty() && lines.at(3).isEmpty());
    }
};

int main(int argc, char *argv[])
{
    if (argc == 5 && qstrcmp(argv[1], "--append-log") == 0)
        return appendEntries(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                             QByteArray(argv[4]).toInt());
    QApplication app(argc, argv);
    TestErrorLog test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_errorlog.moc"
