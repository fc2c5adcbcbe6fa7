// Start-up of the main window: its controls, the switches, missing files and language files
// in both modes, option files.
#include "app/runtime/chorelglobals.h"
#include "app/driver/mainform.h"
#include "app/layout/standardwindow.h"
#include "app/runtime/showmessage.h"
#include "app/runtime/messagetable.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QSplitter>
#include <QTemporaryDir>
#include <QToolBar>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

namespace {

struct Shown {
    QString caption;
    int buttons;
    QString text;
};

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    file.write(bytes);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestStartup : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QList<Shown> m_shown;
    QString m_home;
    QString m_dataFile;

    std::unique_ptr<MainForm> start(const QStringList &arguments)
    {
        const ParsedCommandLine parsed = ParseCommandLine(arguments);
        SetBatchMessages(!parsed.value(u'o').isEmpty());
        auto form = std::make_unique<MainForm>(parsed, StandardWindowParts());
        if (!form->state().QuitRequested)
            form->Load();
        return form;
    }

    QString path(const QString &name) const { return m_dir.filePath(name); }
    QString log() const { return QString::fromUtf8(readAll(Globals().LogFile)); }

private slots:
    void initTestCase()
    {
        m_home = path(QStringLiteral("home"));
        QVERIFY(QDir().mkpath(m_home + QStringLiteral("/TQ-files")));
        QVERIFY(QDir().mkpath(path(QStringLiteral("tmp"))));
        qputenv("CHOREL_HOME", m_home.toLocal8Bit());
        qputenv("TMPDIR", path(QStringLiteral("tmp")).toLocal8Bit());
        m_dataFile = m_home + QStringLiteral("/TQ-files/nc_births_74.tq");
        QVERIFY(QFile::copy(qEnvironmentVariable("CHOREL_SAMPLES") +
                                QStringLiteral("/TQ-files/nc_births_74.tq"),
                            m_dataFile));
        SetMessageBoxFunction([this](const QString &caption, int buttons, const QString &text) {
            m_shown.append({caption, buttons, text});
        });
    }

    void init()
    {
        m_shown.clear();
        QFile::remove(m_home + QStringLiteral("/Chorel.log"));
    }

    void windowControls()
    {
        const auto form = start({});
        const MainWidgets &w = form->widgets();
        QCOMPARE(w.menus.value("mnuFile")->title(), QString("&File"));
        QCOMPARE(form->menuEntry("mnuSaveAs")->text(), QString("Save &as"));
        QCOMPARE(form->menuEntry("mnuLegendImage")->text(), QString("Copy Legend &Image"));
        QCOMPARE(form->menuEntry("mnuContents")->text(), QString("&Help on Chorel"));
        QCOMPARE(w.menuEntries.size(), 20);
        const QStringList keys = {"Open", "Save", "Export", "Print", "Copy", "ZoomIn",
                                  "ZoomOut", "Pan", "Info", "FullExtent", "PrevExtent",
                                  "TemaMap"};
        const QStringList tips = {"Open", "Save as", "Export", "Print", "Copy", "Zoom in",
                                  "Zoom out", "Pan", "Information", "Full extent",
                                  "Previous extent", "Thematic map"};
        for (qsizetype i = 0; i < keys.size(); ++i) {
            QVERIFY2(form->toolButton(keys[i]), qPrintable(keys[i]));
            QCOMPARE(form->toolButton(keys[i])->toolTip(), tips[i]);
            QVERIFY(!form->toolButton(keys[i])->icon().isNull());
        }
        QCOMPARE(w.copyEntries.size(), 5);
        QVERIFY(form->toolButton("ZoomIn")->isChecked());
        QVERIFY(form->menuEntry("mnuZoomin")->isChecked());
        QCOMPARE(w.tlbKart->objectName(), QString("tlbKart"));
        QVERIFY(w.panels.contains("Info") && w.panels.contains("Data"));
        QVERIFY(form->progressBar()->isHidden());
        QVERIFY(form->mapPane() && form->legendPane());
        QVERIFY(form->findChild<QTreeWidget *>("lsvKartdata"));
        QVERIFY(form->findChild<QListWidget *>("lstStatdata"));
        for (const char *name : {"imgSplitter", "imglgdSplitter", "imgMapSplitter"})
            QVERIFY(form->findChild<QSplitter *>(name));
    }

    void withoutDataTheMapCommandsAreOff()
    {
        auto form = start({});
        for (const char *name : {"mnuSaveAs", "mnuPrint", "mnuInfo", "mnuExport", "mnuTheme"})
            QVERIFY2(!form->menuEntry(name)->isEnabled(), name);
        QVERIFY(!form->widgets().menus.value("mnuEdit")->menuAction()->isEnabled());
        for (const char *key : {"Export", "Copy", "TemaMap", "Info", "Print", "Save"})
            QVERIFY2(!form->toolButton(key)->isEnabled(), key);
        QVERIFY(form->menuEntry("mnuOpen")->isEnabled() && form->toolButton("Open")->isEnabled());
        QVERIFY(form->tmStart().isActive());
        QVERIFY(m_shown.isEmpty());
        QCOMPARE(form->state().WorkFolder,
                 path(QStringLiteral("tmp/Chorels%1").arg(QCoreApplication::applicationPid())));
        QVERIFY(QDir(form->state().WorkFolder).exists());
        form.reset();

        const auto withData = start({"-f", m_dataFile});
        QVERIFY(withData->menuEntry("mnuSaveAs")->isEnabled());
        QCOMPARE(withData->state().DataFile, m_dataFile);
    }

    void mapTypeAndSize_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("circle");
        QTest::addColumn<bool>("fixed");
        QTest::addColumn<double>("scale");
        QTest::newRow("none") << QStringList() << false << false << 1.0;
        QTest::newRow("Circle") << QStringList{"/c", "Circle"} << true << true << 1.0;
        QTest::newRow("choroplet") << QStringList{"-c", "choroplet"} << false << true << 1.0;
        QTest::newRow("other word") << QStringList{"-cdots"} << false << true << 1.0;
        QTest::newRow("no value") << QStringList{"-c"} << false << true << 1.0;
        QTest::newRow("size cut") << QStringList{"-s", "2"} << false << false << 1.5;
        QTest::newRow("size comma") << QStringList{"-s", "0,5"} << false << false << 0.5;
        QTest::newRow("size text") << QStringList{"-s", "big"} << false << false << 1.0;
        QTest::newRow("size zero") << QStringList{"-s", "0"} << false << false << 1.0;
    }

    void mapTypeAndSize()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, circle);
        QFETCH(bool, fixed);
        QFETCH(double, scale);
        const auto form = start(arguments);
        QCOMPARE(form->state().CircleMap, circle);
        QCOMPARE(form->state().MapTypeFixed, fixed);
        QCOMPARE(Globals().ExportScale, scale);
        QVERIFY(!form->state().BatchMode);
    }

    void invalidSwitch()
    {
        const auto form = start({"-f", m_dataFile, "-x"});
        QVERIFY(form->state().QuitRequested);
        QCOMPARE(form->state().ExitCode, 2);
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown.at(0).text, InvalidSwitchText());
        QCOMPARE(m_shown.at(0).buttons, 64);
    }

    void missingDataFileInteractive()
    {
        const auto form = start({"-f", "missing.tq", "-m", path("none.tqo")});
        QVERIFY(form->state().StartError);
        QVERIFY(!form->state().BatchMode);
        QVERIFY(!form->tmStart().isActive());
        QVERIFY(form->state().DataFile.isEmpty() && form->state().OptionFile.isEmpty());
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown.at(0).caption, QString("Chorel"));
        QCOMPARE(m_shown.at(0).text, "Missing file " + path("none.tqo"));
        QVERIFY(log().isEmpty());
    }

    void missingDataFileInBatch()
    {
        const auto form = start({"-f", "missing.tq", "-o", path("out.png")});
        QVERIFY(form->state().BatchMode && form->state().QuitRequested);
        QCOMPARE(form->state().ExitCode, 1);
        QVERIFY(!form->tmStart().isActive());
        QVERIFY(m_shown.isEmpty());
        QVERIFY(log().endsWith(QStringLiteral("\r\nMissing file missing.tq\r\n\r\n")));
        QVERIFY(!QFile::exists(path("out.png")));
    }

    void missingLanguageFile_data()
    {
        QTest::addColumn<bool>("batch");
        QTest::newRow("interactive") << false;
        QTest::newRow("batch") << true;
    }

    void missingLanguageFile()
    {
        QFETCH(bool, batch);
        QStringList arguments{"-l", path("none.lng"), "-f", m_dataFile};
        if (batch)
            arguments << "-o" << path("out.png");
        const auto form = start(arguments);
        const QString text = "Missing file " + path("none.lng") +
                             "\r\nThe program continues using English";
        if (batch) {
            QVERIFY(m_shown.isEmpty());
            QVERIFY(log().contains(text));
        } else {
            QCOMPARE(m_shown.size(), 1);
            QCOMPARE(m_shown.at(0).caption, QString("Chorel Language File"));
            QCOMPARE(m_shown.at(0).text, text);
        }
        QVERIFY(form->state().LanguageFile.isEmpty());
        QCOMPARE(MessageText("GenErrorMsg"),
                 QString("An error occured! Check the data and the operasjon.\r\n"
                         "More information in the Log file"));
        QCOMPARE(form->state().TableBuilderMessages.size(), 7);
        QVERIFY(form->tmStart().isActive());
    }

    void languageFile()
    {
        const QString file = path("norsk.lng");
        writeFile(file, "[CHOREL]\nOpen=&Load file\nTheme=&Theme map...\nPrint=Prin&t...\n"
                        "GenErrorMsg=Failed<CRLF>See the log\nMissing=TQ-fil mangler\n"
                        "AboutDescription=2\nAboutDescription1=Line one\n"
                        "AboutDescription2=Line two\nMissingFile=Mangler fil\n");
        const auto form = start({"-l", file});
        QVERIFY(m_shown.isEmpty());
        QCOMPARE(form->menuEntry("mnuOpen")->text(), QString("&Load file"));
        QCOMPARE(form->toolButton("Open")->toolTip(), QString("Load file"));
        QCOMPARE(form->toolButton("TemaMap")->toolTip(), QString("Theme map"));
        QCOMPARE(form->toolButton("Print")->toolTip(), QString("Print..."));
        QCOMPARE(form->toolButton("Save")->toolTip(), QString("Save as"));
        QCOMPARE(MessageText("Open"), QString("&Load file"));
        QCOMPARE(MessageText("GenErrorMsg"), QString("Failed\r\nSee the log"));
        QCOMPARE(MessageText("AboutDescription"), QString("Line one\r\nLine two\r\n"));
        QCOMPARE(MessageText("MissingFile"), QString("Mangler fil"));
        QCOMPARE(MessageText("Connect"), QString("Could not connect to database"));
        const auto &builder = form->state().TableBuilderMessages;
        QCOMPARE(builder.size(), 7);
        QCOMPARE(builder.at(0), qMakePair(QString("TQ-fil mangler"), QString("MISSING")));
        QCOMPARE(builder.at(1), qMakePair(QString("No valid file for Chorel."), QString("VALID")));
        QVERIFY(form->tmStart().isActive());
    }

    void languageFileWithoutAboutLines()
    {
        const QString file = path("empty.lng");
        writeFile(file, "[CHOREL]\r\nAboutDescription=0\r\n");
        const auto form = start({"-l", file});
        QVERIFY(m_shown.isEmpty());
        QCOMPARE(form->menuEntry("mnuOpen")->text(), QString("&Open"));
        QVERIFY(MessageText("AboutDescription").startsWith("Chorel draws"));
        QVERIFY(form->tmStart().isActive());
    }

    void languageFileWithoutAboutCountIsRejected()
    {
        const QString file = path("broken.lng");
        writeFile(file, "[CHOREL]\r\nOpen=&Load\r\n");
        const auto form = start({"-l", file});
        QCOMPARE(m_shown.size(), 1);
        QVERIFY(m_shown.at(0).caption.startsWith("Chorel (ReadLanguage) "));
        QCOMPARE(m_shown.at(0).text, "Error in the language file " + file);
        QVERIFY(form->state().QuitRequested);
        QVERIFY(!form->tmStart().isActive());
    }

    void optionFileNamesTheData_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<bool>("bare");
        QTest::addColumn<QString>("dataFile");
        QTest::newRow("bare name in TQ-files") << QByteArray("nc_births_74.tq") << false
                                               << "TQ";
        QTest::newRow("Windows path, other case") << QByteArray("HOME\\tq-files\\NC_BIRTHS_74.TQ")
                                                  << false << "TQ";
        QTest::newRow("lone argument") << QByteArray("nc_births_74.tq") << true << "TQ";
        QTest::newRow("empty source, lone argument") << QByteArray() << true << "";
    }

    void optionFileNamesTheData()
    {
        QFETCH(QByteArray, source);
        QFETCH(bool, bare);
        QFETCH(QString, dataFile);
        const QString option = path("map.tqo");
        writeFile(option, "[DATA]\r\nSource=" + source + "\r\nMap=1\r\n");
        const auto form = bare ? start({option}) : start({"-m", option});
        QCOMPARE(form->state().DataFile, dataFile.isEmpty() ? QString() : m_dataFile);
        QCOMPARE(form->state().OptionFile, dataFile.isEmpty() ? QString() : option);
        QVERIFY(!form->state().StartError);
        QVERIFY(m_shown.isEmpty());
    }

    void optionFileWithoutSource()
    {
        const QString option = path("nosource.tqo");
        writeFile(option, "[DATA]\r\nMap=1\r\n");
        const auto form = start({"-m", option});
        QVERIFY(form->state().StartError);
        QVERIFY(form->state().OptionFile.isEmpty());
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown.at(0).text, "Missing file for data information in " + option);
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
