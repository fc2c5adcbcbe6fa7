// The German language file that ships with the program: it gives every key of the message
// table, and read at start-up it turns the window, the open dialog and the messages German.
#include "app/dialogs/frmopendialog.h"
#include "app/driver/mainform.h"
#include "app/layout/standardwindow.h"
#include "app/runtime/showmessage.h"
#include "app/files/languagefile.h"
#include "app/runtime/messagetable.h"
#include "app/layout/aboutdialog.h"
#include "kitbag/kbprofile.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

namespace {

QString germanFile()
{
    return qEnvironmentVariable("CHOREL_SAMPLES") + QStringLiteral("/Languages/German.lng");
}

// The values of section CHOREL by lower-cased key.
QHash<QString, QString> germanEntries()
{
    QHash<QString, QString> entries;
    for (const QString &line : kbprofile::sectionEntries(germanFile(), QStringLiteral("CHOREL"))) {
        const qsizetype eq = line.indexOf(u'=');
        entries.insert(line.left(eq).trimmed().toLower(), line.mid(eq + 1).trimmed());
    }
    return entries;
}

} // namespace

class TestLanguageFile : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QList<QPair<QString, QString>> m_shown; // caption, text

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY2(QFileInfo::exists(germanFile()), qPrintable(germanFile()));
        qputenv("CHOREL_HOME", m_dir.path().toLocal8Bit());
        qputenv("TMPDIR", m_dir.path().toLocal8Bit());
        SetMessageBoxFunction([this](const QString &caption, int, const QString &text) {
            m_shown.append({caption, text});
        });
    }

    void init() { m_shown.clear(); }

    // Every key of the message table has a German text; the failure names the missing keys.
    // A key added to the table needs its German text here.
    void germanFileGivesEveryKey()
    {
        SetDefaultTexts();
        const QHash<QString, QString> entries = germanEntries();
        QStringList missing;
        QStringList tooLong;
        for (const QString &key : Messages().keys()) {
            const QString value = entries.value(key.toLower());
            if (value.isEmpty())
                missing << key;
            // the settings-file reader keeps at most 254 characters of a value
            if (value.size() > 254)
                tooLong << key;
        }
        QVERIFY2(missing.isEmpty(),
                 qPrintable("German.lng lacks the keys: " + missing.join(QStringLiteral(", "))));
        QVERIFY2(tooLong.isEmpty(),
                 qPrintable("German.lng values longer than 254 characters: " +
                            tooLong.join(QStringLiteral(", "))));
        const int aboutLines = entries.value(QStringLiteral("aboutdescription")).toInt();
        QVERIFY(aboutLines > 0);
        for (int i = 1; i <= aboutLines; ++i)
            QVERIFY(!entries.value(QStringLiteral("aboutdescription%1").arg(i)).isEmpty());
    }

    // Reading the file replaces every text of the table, registers the table builder's seven
    // messages in German and keeps the line breaks of the multi-line messages.
    void readingReplacesEveryText()
    {
        SetDefaultTexts();
        QList<QPair<QString, QString>> builder;
        QVERIFY(ReadLanguage(germanFile(), [&](const QString &text, const QString &tag) {
            builder.append({tag, text});
        }));
        QVERIFY(m_shown.isEmpty());
        QStringList notRead;
        for (const QString &key : Messages().keys()) {
            if (!Messages().fromLanguageFile(key))
                notRead << key;
        }
        QVERIFY2(notRead.isEmpty(), qPrintable("keys the language file reading passes over: " +
                                               notRead.join(QStringLiteral(", "))));
        QCOMPARE(builder.size(), 7);
        QCOMPARE(builder.at(0), qMakePair(QString("MISSING"), QString("Die TQ-Datei fehlt!")));
        QCOMPARE(builder.at(6).second.count(QStringLiteral("\r\n")), 3);
        QCOMPARE(MessageText("GenErrorMsg").count(QStringLiteral("\r\n")), 1);
        QVERIFY(MessageText("GenErrorMsg").startsWith(QStringLiteral("Ein Fehler ist")));
        QCOMPARE(MessageText("AboutDescription").count(QStringLiteral("\r\n")), 3);
        QVERIFY(AboutText().startsWith(QStringLiteral("Chorel 1.")));
        QVERIFY(AboutText().contains(QStringLiteral("Chorel zeichnet thematische Karten")));
        QVERIFY(AboutText().endsWith(QStringLiteral("(GPL-3.0-or-later). It comes with "
                                                    "ABSOLUTELY NO WARRANTY.")));
        QCOMPARE(MessageText("Unavailable"), QString("ist nicht verfügbar"));
    }

    // Started with the German file, the window's menus, tool tips and messages are German.
    void germanWindow()
    {
        const QString missing = m_dir.filePath(QStringLiteral("absent.tq"));
        const ParsedCommandLine parsed = ParseCommandLine({"-l", germanFile(), "-f", missing});
        MainForm form(parsed, StandardWindowParts());
        form.Load();
        const MainWidgets &w = form.widgets();
        QCOMPARE(w.menus.value("mnuFile")->title(), QString("&Datei"));
        QCOMPARE(w.menus.value("mnuNavigate")->title(), QString("&Navigation"));
        QCOMPARE(form.menuEntry("mnuOpen")->text(), QString("Ö&ffnen"));
        QCOMPARE(form.menuEntry("mnuLegendImage")->text(), QString("Legenden&bild kopieren"));
        QCOMPARE(form.menuEntry("mnuContents")->text(), QString("&Hilfe zu Chorel"));
        QCOMPARE(form.toolButton("Open")->toolTip(), QString("Öffnen"));
        QCOMPARE(form.toolButton("Save")->toolTip(), QString("Speichern unter"));
        QCOMPARE(form.toolButton("ZoomIn")->toolTip(), QString("Vergrößern"));
        QCOMPARE(form.toolButton("TemaMap")->toolTip(), QString("Thematische Karte"));
        QCOMPARE(w.copyEntries.value("CopyLgdTxt")->text(), QString("Legendentext kopieren"));
        QCOMPARE(m_shown.size(), 1);
        QCOMPARE(m_shown.at(0).second, QStringLiteral("Fehlende Datei ") + missing);

        frmOpenDialog dialog;
        dialog.ApplyLanguage();
        QCOMPARE(dialog.windowTitle(), QString("Öffnen"));
        QCOMPARE(dialog.cmdOpen->text(), QString("Ö&ffnen"));
        QCOMPARE(dialog.cmdCancel->text(), QString("&Abbrechen"));
        QCOMPARE(dialog.lsvData->headerItem()->text(0), QString("Beschreibung"));
        QCOMPARE(dialog.lsvData->headerItem()->text(3), QString("Größe"));
        dialog.setStartFolder(m_dir.path());
        dialog.show();
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.Startup.isActive() && !dialog.busy(), 120000);
        QCOMPARE(dialog.panel("NumFiles")->text(), QString("Anzahl Dateien 0"));
    }
};

QTEST_MAIN(TestLanguageFile)
#include "tst_languagefile.moc"
