// The help page: it lies beside the program, documents every switch of the usage text, and
// Help, Contents and F1 open it in the desktop's browser.
#include "app/driver/commandline.h"
#include "app/driver/mainform.h"
#include "app/layout/standardwindow.h"
#include "app/runtime/showmessage.h"
#include "app/runtime/messagetable.h"

#include <QAction>
#include <QDesktopServices>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

// Receives the URLs the program asks the desktop to open.
class UrlRecorder : public QObject {
    Q_OBJECT

public:
    QList<QUrl> urls;

public slots:
    void openUrl(const QUrl &url) { urls.append(url); }
};

namespace {

QString helpPage()
{
    return qEnvironmentVariable("CHOREL_BIN") + QStringLiteral("/Chorel.html");
}

QString readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

class TestHelpPage : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    UrlRecorder m_recorder;
    QList<QPair<QString, QString>> m_shown;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        qputenv("TMPDIR", m_dir.path().toLocal8Bit());
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &m_recorder, "openUrl");
        SetMessageBoxFunction([this](const QString &caption, int, const QString &text) {
            m_shown.append({caption, text});
        });
    }

    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }

    void init()
    {
        m_shown.clear();
        m_recorder.urls.clear();
    }

    // The build puts the page beside the program; it names every switch of the usage text
    // (a switch added to the program needs its entry on the page).
    void pageDocumentsEverySwitch()
    {
        const QString page = readText(helpPage());
        QVERIFY2(!page.isEmpty(), qPrintable(helpPage()));
        static const QRegularExpression switchPattern(QStringLiteral("(?:^|\\s)(/[a-zA-Z])\\b"));
        QStringList names;
        for (auto it = switchPattern.globalMatch(UsageText()); it.hasNext();)
            names << it.next().captured(1);
        QCOMPARE(names.size(), 6);
        for (const LongSwitch &entry : LongSwitches())
            names << QStringLiteral("--") + QLatin1String(entry.name);
        QStringList undocumented;
        for (const QString &name : names) {
            if (!page.contains(QStringLiteral("<code>") + name + QStringLiteral("</code>")))
                undocumented << name;
        }
        QVERIFY2(undocumented.isEmpty(), qPrintable("switches missing from the help page: " +
                                                    undocumented.join(QStringLiteral(", "))));
        for (const char *anchor : {"make", "window", "batch", "log", "semicolon", "mapdef",
                                   "colours", "option", "matching", "pictures"})
            QVERIFY2(page.contains(QStringLiteral("id=\"%1\"").arg(QLatin1String(anchor))), anchor);
    }

    // Help, Contents and F1 ask the desktop to show the page of the program folder.
    void contentsAndF1OpenThePage()
    {
        qputenv("CHOREL_HOME", qEnvironmentVariable("CHOREL_BIN").toLocal8Bit());
        MainForm form(ParseCommandLine({}), StandardWindowParts());
        form.Load();
        QCOMPARE(form.state().HelpFile, helpPage());
        form.menuEntry(QStringLiteral("mnuContents"))->trigger();
        QCOMPARE(m_recorder.urls, QList<QUrl>{QUrl::fromLocalFile(helpPage())});

        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTest::keyClick(&form, Qt::Key_F1);
        QCOMPARE(m_recorder.urls.size(), 2);
        QVERIFY(m_shown.isEmpty());
    }

    // Without the page the user is told which file is missing; no browser opens.
    void missingPageIsReported()
    {
        qputenv("CHOREL_HOME", m_dir.path().toLocal8Bit());
        MainForm form(ParseCommandLine({}), StandardWindowParts());
        form.Load();
        form.menuEntry(QStringLiteral("mnuContents"))->trigger();
        QVERIFY(m_recorder.urls.isEmpty());
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown.at(0).second,
                 QStringLiteral("Missing file ") + m_dir.filePath(QStringLiteral("Chorel.html")));
    }
};

QTEST_MAIN(TestHelpPage)
#include "tst_helppage.moc"
