// The main window and its dialogs as a new user meets them, on the North Carolina sample with
// six classes: a cancelled File, Open; Escape in the thematic dialog; the information tool's
// reach on the screen; the legend that scrolls; window sizes that fit the screen and are
// remembered; the keyboard in the lists and the class grid; Qt's own texts in German; the
// chart's axis; F1 without a browser; the status bar; the print layouts; a typed path in the
// open dialog; the sheet's title and source; what the documents say; and the map definition
// chosen for a CSV file, remembered for the session.
#include "thematicfixture.h"

#include "app/view/frmchart.h"
#include "app/dialogs/frmmaptype.h"
#include "app/dialogs/frmopendialog.h"
#include "app/dialogs/mapdefinitionchooser.h"
#include "app/files/languagefile.h"
#include "app/layout/helppage.h"
#include "app/layout/standardwindow.h"
#include "app/layout/windowbuild.h"
#include "app/output/printcommand.h"
#include "app/view/frmclassification.h"
#include "app/view/infotool.h"
#include "app/view/mapsession.h"
#include "bandwise/classification.h"
#include "platform/legend/legendwidget.h"
#include "platform/mapcontrol/mapwidget.h"

#include <QAction>
#include <QCategoryAxis>
#include <QChart>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPrintDialog>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSplitter>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

namespace {

void click(QWidget *widget, QPointF at)
{
    SendMouse(widget, QEvent::MouseButtonPress, at, Qt::LeftButton);
    SendMouse(widget, QEvent::MouseButtonRelease, at, Qt::NoButton);
}

QString readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString sourceTree() { return qEnvironmentVariable("CHOREL_SAMPLES") + QStringLiteral("/.."); }

QSize availableSize()
{
    return QGuiApplication::primaryScreen()->availableGeometry().size();
}

// The mnemonic letter of a caption ("Legenden&text" gives "t"), lower case; empty without one.
QString mnemonic(const QString &caption)
{
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption.at(i) != u'&')
            continue;
        if (caption.at(i + 1) == u'&') {
            ++i;
            continue;
        }
        return caption.at(i + 1).toLower();
    }
    return QString();
}

} // namespace

class TestWindowUse : public QObject {
    Q_OBJECT

private:
    ThematicFixture m_f;
    MapSession &session() { return m_f.session(); }
    QString info() const { return m_f.form->panelText(QStringLiteral("Info")); }

private slots:
    void initTestCase()
    {
        // No window size remembered from an earlier run of this suite.
        QSettings(QStringLiteral("Chorel"), QStringLiteral("Chorel")).clear();
        QVERIFY(m_f.start(QStringLiteral("nc_births_74.tq"),
                          {QStringLiteral("--classes"), QStringLiteral("6")}));
    }
    void cleanupTestCase() { m_f.form.reset(); }
    void init() { m_f.messages.clear(); }

    // A cancelled File, Open leaves the map's files: Save as still names the statistics file.
    void cancelledOpenKeepsTheFiles()
    {
        const QString dataFile = m_f.form->state().DataFile;
        const QString title = m_f.form->windowTitle();
        bool cancelled = false;
        QTimer::singleShot(0, this, [&cancelled] {
            if (auto *d = qobject_cast<frmOpenDialog *>(QApplication::activeModalWidget())) {
                d->cmdCancel_Click();
                cancelled = true;
            }
        });
        m_f.form->menuEntry(QStringLiteral("mnuOpen"))->trigger();
        QVERIFY(cancelled);
        QCOMPARE(m_f.form->state().DataFile, dataFile);
        QCOMPARE(m_f.form->windowTitle(), title);
        QVERIFY(m_f.map->LayerCount() > 0);
        const QString tqo = m_f.optionFile(QStringLiteral("after-cancel"));
        QVERIFY2(tqo.contains(QStringLiteral("Source=") + dataFile), qPrintable(tqo));
    }

    // Escape closes the thematic dialog like Cancel, whichever control has the focus.
    void escapeClosesTheThematicDialog()
    {
        for (const char *name : {"fgStat", "cmbClasses", "cmbType", "cmdOK"}) {
            auto d = m_f.dialog();
            d->show();
            QWidget *control = d->findChild<QWidget *>(QString::fromLatin1(name));
            if (!control)
                control = name == QByteArray("cmbClasses") ? static_cast<QWidget *>(d->clfClass->ClassBox())
                                                           : d->clfClass->TypeBox();
            control->setFocus();
            QTest::keyClick(control, Qt::Key_Escape);
            QVERIFY2(!d->isVisible(), name);
            QCOMPARE(d->result(), int(QDialog::Rejected));
        }
    }

    // The information tool reaches a few pixels around the click, whatever the map's units.
    void informationToolReachesAFewPixels()
    {
        m_f.form->toolButton(QStringLiteral("Info"))->trigger();
        const auto layer = m_f.map->Layer(session().Values.ThematicLayer);
        const double pixel = m_f.map->Extent().Width() / m_f.map->width();
        QVERIFY(InfoDistance(*m_f.map) < 10 * pixel);
        // A point of the open sea 12 degrees reach, but 30 pixels from every county.
        bool far = false, beside = false;
        for (int y = 5; y < m_f.map->height() - 5 && !(far && beside); y += 4) {
            for (int x = 5; x < m_f.map->width() - 5 && !(far && beside); x += 4) {
                const MapPoint point = m_f.map->ToMapPoint(x, y);
                if (!far && InfoRegion(*layer, point, 12.0) && !InfoRegion(*layer, point, 30 * pixel)) {
                    click(m_f.map, QPointF(x, y));
                    QCOMPARE(info(), QString());
                    far = true;
                }
                // Two pixels off a county's edge: still that county.
                if (!beside && !InfoRegion(*layer, point, 0.0) && InfoRegion(*layer, point, 2 * pixel)) {
                    click(m_f.map, QPointF(x, y));
                    QVERIFY2(!info().isEmpty(), qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
                    beside = true;
                }
            }
        }
        QVERIFY(far && beside);
        QVERIFY(m_f.messages.isEmpty());
    }

    // The legend of six classes is never cut off: it scrolls in its pane, in the window and
    // in the dialog's preview.
    void legendScrolls()
    {
        LegendWidget *legend = session().Legend;
        auto *splitter = m_f.form->findChild<QSplitter *>(QStringLiteral("imglgdSplitter"));
        QVERIFY(splitter);
        const QList<int> sizes = splitter->sizes();
        splitter->setSizes({120, sizes.at(0) + sizes.at(1) - 120});
        QCoreApplication::processEvents();
        QVERIFY(legend->LegendText().contains(QStringLiteral("No data")));
        QVERIFY2(legend->height() >= legend->LegendSize().height(),
                 qPrintable(QStringLiteral("%1 < %2").arg(legend->height()).arg(legend->LegendSize().height())));
        auto *scroll = qobject_cast<QScrollArea *>(legend->parentWidget()->parentWidget());
        QVERIFY(scroll);
        QVERIFY(scroll->verticalScrollBar()->maximum() > 0);
        splitter->setSizes(sizes);

        auto d = m_f.dialog();
        d->show();
        Choose(d->clfClass->ClassBox(), QStringLiteral("12"));
        QCoreApplication::processEvents();
        LegendWidget *preview = d->clfClass->Legend();
        QVERIFY(preview->height() >= preview->LegendSize().height());
        d->cmdCancel->click();
    }

    // The window and the thematic dialog fit the screen with OK and Cancel on it.
    void windowsFitTheScreen()
    {
        const QSize screen = availableSize();
        QVERIFY2(m_f.form->width() <= screen.width() && m_f.form->height() <= screen.height(),
                 qPrintable(QStringLiteral("%1x%2").arg(m_f.form->width()).arg(m_f.form->height())));
        auto d = m_f.dialog();
        d->show();
        QVERIFY(d->width() <= screen.width() && d->height() <= screen.height());
        QVERIFY(d->minimumSizeHint().height() <= screen.height());
        for (QPushButton *button : {d->cmdOK, d->cmdCancel}) {
            const QRect inDialog(button->mapTo(d.get(), QPoint(0, 0)), button->size());
            QVERIFY(d->rect().contains(inDialog));
        }
        d->cmdCancel->click();
    }

    // The window opens at the size and with the splitters the user left it with.
    void windowSizeAndSplittersRemembered()
    {
        {
            MainForm first(ParseCommandLine({}), StandardWindowParts());
            first.show();
            first.resize(700, 450);
            auto *splitter = first.findChild<QSplitter *>(QStringLiteral("imgSplitter"));
            splitter->setSizes({300, 300});
            QCoreApplication::processEvents();
            const QList<int> chosen = splitter->sizes();
            first.close();
            MainForm second(ParseCommandLine({}), StandardWindowParts());
            QCOMPARE(second.size(), QSize(700, 450));
            second.show();
            QCoreApplication::processEvents();
            QCOMPARE(second.findChild<QSplitter *>(QStringLiteral("imgSplitter"))->sizes(), chosen);
            second.hide();
        }
        QSettings(QStringLiteral("Chorel"), QStringLiteral("Chorel")).clear();
    }

    // The map follows the current row of the statistics list, at once on Enter.
    void statisticsListFollowsTheKeyboard()
    {
        QListWidget *list = m_f.form->statList();
        QCOMPARE(session().State.CurrentColumn, 1);
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(list->currentRow(), 1);
        QTRY_COMPARE(session().State.CurrentColumn, 2);
        QTest::keyClick(list, Qt::Key_Up);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(session().State.CurrentColumn, 1);
        QVERIFY(m_f.messages.isEmpty());
    }

    // The class grid is one Tab stop; the lowest custom limit can be typed from the keyboard.
    void classGridByKeyboard()
    {
        auto d = m_f.dialog();
        d->show();
        QTableWidget *grid = d->clfClass->Grid();
        QVERIFY(!grid->tabKeyNavigation());
        grid->setFocus();
        QCOMPARE(d->focusWidget(), grid);
        QTest::keyClick(grid, Qt::Key_Tab);
        QVERIFY(d->focusWidget() != grid);

        Choose(d->clfClass->TypeBox(), QStringLiteral("Custom"));
        grid->setFocus();
        grid->setCurrentCell(0, 1);
        QTest::keyClick(grid, Qt::Key_Left);
        QCOMPARE(grid->currentColumn(), 0);
        QTest::keyClick(grid, Qt::Key_Return);
        QLineEdit *limit = d->clfClass->LimitBox();
        QCOMPARE(d->focusWidget(), limit);
        limit->clear();
        QTest::keyClicks(limit, QStringLiteral("100"));
        QTest::keyClick(limit, Qt::Key_Return);
        QVERIFY2(m_f.messages.isEmpty(), qPrintable(m_f.messages.join(u'\n')));
        QCOMPARE(d->clfClass->MinValue(), 100.0);
        QCOMPARE(grid->item(0, 0)->text(), QStringLiteral("100"));
        d->cmdCancel->click();
    }

    // The German file: Qt's own dialogs in German too, no two entries of a menu with one
    // mnemonic letter, and the map type chooser's caption whole.
    void germanThroughout()
    {
        const QString english = QCoreApplication::translate("QColorDialog", "&Basic colors");
        QVERIFY(ReadLanguage(qEnvironmentVariable("CHOREL_SAMPLES") +
                                 QStringLiteral("/Languages/German.lng"),
                             {}));
        QVERIFY2(QCoreApplication::translate("QColorDialog", "&Basic colors") != english,
                 "Qt's colour dialog stays English");
        ApplyTexts(m_f.form->widgets(), Messages());
        for (QMenu *menu : std::as_const(m_f.form->widgets().menus)) {
            QStringList letters;
            for (const QAction *action : menu->actions()) {
                const QString letter = mnemonic(action->text());
                QVERIFY2(letter.isEmpty() || !letters.contains(letter),
                         qPrintable(menu->title() + QStringLiteral(": ") + action->text()));
                letters << letter;
            }
        }
        frmMapType chooser;
        chooser.ApplyTexts(MessageText(QStringLiteral("MapType")),
                           MessageText(QStringLiteral("RadioChoroplet")),
                           MessageText(QStringLiteral("RadioSymbol")));
        QCOMPARE(chooser.windowTitle(), QStringLiteral("Kartentyp"));
        QVERIFY(chooser.width() >=
                QFontMetrics(chooser.font()).horizontalAdvance(chooser.windowTitle()) + 150);

        InstallQtTranslations(QString());
        SetDefaultTexts();
        ApplyTexts(m_f.form->widgets(), Messages());
        QCOMPARE(QCoreApplication::translate("QColorDialog", "&Basic colors"), english);
    }

    // The chart's value axis speaks the program's number format.
    void chartAxisInTheNumberFormat()
    {
        const QList<QPair<QString, double>> labels =
            ChartAxisLabels(248, 21588, QStringLiteral("##,##0"));
        QVERIFY(labels.size() >= 3 && labels.size() <= 8);
        const QLocale locale;
        for (const auto &[label, value] : labels) {
            QVERIFY2(!label.contains(locale.decimalPoint()), qPrintable(label));
            QCOMPARE(label, locale.toString(value, 'f', 0));
        }
        // Steps of 0.5 between 0.2 and 1.3: one decimal though the statistic has none.
        const auto fractional = ChartAxisLabels(0.2, 1.3, QStringLiteral("##,##0"));
        QCOMPARE(fractional.size(), 2);
        QCOMPARE(fractional.first().first, locale.toString(0.5, 'f', 1));

        const ViewState &state = session().State;
        CChart request;
        request.Table = session().Values.StatTable;
        request.DBDir = m_f.form->state().WorkFolder;
        request.RegionField = session().Values.StatKey;
        request.StatField = state.StatFieldNames.at(state.CurrentColumn - 1);
        request.Title = QStringLiteral("Live births");
        frmChart chart(request, m_f.form->state().WorkFolder, session().Values.NullValue,
                       session().Values.NumberFormat);
        QVERIFY(chart.Load());
        const auto axes = chart.Chart()->axes(Qt::Vertical);
        QCOMPARE(axes.size(), 1);
        auto *axis = qobject_cast<QCategoryAxis *>(axes.first());
        QVERIFY(axis);
        QVERIFY(axis->categoriesLabels().contains(locale.toString(20000.0, 'f', 0)));
    }

    // F1 on a desktop without a browser names the help page.
    void helpWithoutABrowser()
    {
        const QByteArray path = qgetenv("PATH");
        const QTemporaryDir empty;
        qputenv("PATH", empty.path().toLocal8Bit());
        const QString page = qEnvironmentVariable("CHOREL_BIN") + QStringLiteral("/Chorel.html");
        const bool opened = OpenHelpPage(page);
        qputenv("PATH", path);
        QVERIFY(!opened);
        QCOMPARE(m_f.messages.size(), 1);
        QVERIFY2(m_f.messages.first().contains(QDir::toNativeSeparators(page)),
                 qPrintable(m_f.messages.first()));
    }

    // The information of a region is shown whole, and whole in the panel's tool tip.
    void statusBarShowsTheWholeInformation()
    {
        m_f.form->setPanelText(QStringLiteral("Data"),
                               QStringLiteral("period=1974-78, units=persons, ").repeated(6));
        m_f.form->toolButton(QStringLiteral("Info"))->trigger();
        const auto layer = m_f.map->Layer(session().Values.ThematicLayer);
        for (int r = 0; r < layer->RecordCount(); ++r) {
            const MapShape shape = layer->RecordShape(r);
            if (layer->FieldValue(r, QStringLiteral("NAME")).toString() == QLatin1String("Randolph")) {
                click(m_f.map, m_f.map->FromMapPoint(shape.Centroid()));
                break;
            }
        }
        QTRY_VERIFY(!info().isEmpty());
        QCoreApplication::processEvents();
        auto *panel = m_f.form->findChild<QLabel *>(QStringLiteral("Info"));
        QCOMPARE(panel->toolTip(), info());
        QVERIFY2(panel->width() >= panel->fontMetrics().horizontalAdvance(info()),
                 qPrintable(QStringLiteral("%1 < %2").arg(panel->width()).arg(
                     panel->fontMetrics().horizontalAdvance(info()))));
        m_f.form->setPanelText(QStringLiteral("Data"), QString());
    }

    // Print with title, legend and source: the sheet's layout on the page; the choice is kept.
    void printTheSheetLayout()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        auto *print = m_f.form->findChild<PrintCommand *>(QStringLiteral("PrintCommand"));
        QVERIFY(print);
        QCOMPARE(print->layout(), PrintLayout::MapOnly);
        const QString pdf = m_f.path(QStringLiteral("sheet.pdf"));
        print->printer().setOutputFormat(QPrinter::PdfFormat);
        print->printer().setOutputFileName(pdf);
        bool chosen = false;
        QTimer::singleShot(0, this, [&chosen] {
            auto *dialog = qobject_cast<QPrintDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            if (auto *sheet = dialog->findChild<QRadioButton *>(QStringLiteral("optSheet"))) {
                sheet->setChecked(true);
                chosen = true;
            }
            dialog->accept();
        });
        m_f.form->menuEntry(QStringLiteral("mnuPrint"))->trigger();
        QVERIFY(chosen);
        QVERIFY2(m_f.messages.isEmpty(), qPrintable(m_f.messages.join(u'\n')));
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        QVERIFY(text.waitForFinished(60000));
        const QString words = QString::fromUtf8(text.readAllStandardOutput()).simplified();
        QVERIFY2(words.contains(QStringLiteral("Source: nc_births_74.tq")), qPrintable(words));
        QVERIFY2(words.contains(QStringLiteral("sudden infant deaths")), qPrintable(words));
        QVERIFY2(words.contains(QStringLiteral("No data")), qPrintable(words));
        QCOMPARE(print->layout(), PrintLayout::Sheet);
        // The next print dialog offers the choice made.
        bool offered = false;
        QTimer::singleShot(0, this, [&offered] {
            auto *dialog = qobject_cast<QPrintDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            auto *sheet = dialog->findChild<QRadioButton *>(QStringLiteral("optSheet"));
            offered = sheet && sheet->isChecked();
            dialog->findChild<QRadioButton *>(QStringLiteral("optMapOnly"))->setChecked(true);
            dialog->reject();
        });
        m_f.form->menuEntry(QStringLiteral("mnuPrint"))->trigger();
        QVERIFY(offered);
        print->setLayout(PrintLayout::MapOnly);
    }

    // A typed folder opens in the tree; a typed file opens.
    void typedPathInTheOpenDialog()
    {
        frmOpenDialog dialog;
        dialog.show();
        QTRY_VERIFY(!dialog.Startup.isActive() && !dialog.busy());
        const QString folder = QDir(m_f.path(QStringLiteral("TQ-files"))).canonicalPath();
        dialog.txtPath->setText(folder);
        QTest::keyClick(dialog.txtPath, Qt::Key_Return);
        QVERIFY(dialog.isVisible());
        QTRY_VERIFY(!dialog.busy());
        QCOMPARE(dialog.lblPath->text(), folder);
        QVERIFY(dialog.lsvData->topLevelItemCount() >= 3);
        const QString file = folder + QStringLiteral("/nc_births_79.tq");
        dialog.txtPath->setText(QStringLiteral("nc_births_79.tq"));
        QTest::keyClick(dialog.txtPath, Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.chosenFile(), file);
        QVERIFY(m_f.messages.isEmpty());
    }

    // --title and --source set the sheet's title and source line.
    void sheetTitleAndSource()
    {
        QProcess chorel;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("CHOREL_HOME"), m_f.home.path());
        chorel.setProcessEnvironment(env);
        const QString svg = m_f.path(QStringLiteral("sheet.svg"));
        chorel.start(qEnvironmentVariable("CHOREL_BIN") + QStringLiteral("/chorel"),
                     {QStringLiteral("-f"), m_f.path(QStringLiteral("TQ-files/nc_births_74.tq")),
                      QStringLiteral("-o"), svg, QStringLiteral("--sheet"),
                      QStringLiteral("--title"), QStringLiteral("Births in North Carolina"),
                      QStringLiteral("--source"), QStringLiteral("Source: State health statistics")});
        QVERIFY(chorel.waitForFinished(120000));
        QCOMPARE(chorel.exitCode(), 0);
        const QString drawing = readText(svg);
        QVERIFY(drawing.contains(QStringLiteral("Births in North Carolina")));
        QVERIFY(drawing.contains(QStringLiteral("Source: State health statistics")));
        QVERIFY(!drawing.contains(QStringLiteral("Source: nc_births_74.tq")));
    }

    // The help page, the README and the manual page agree; the build tree has Languages/.
    void documentsAgree()
    {
        const QString help = readText(sourceTree() + QStringLiteral("/app/help/Chorel.html"));
        const QString readme = readText(sourceTree() + QStringLiteral("/README.md"));
        const QString manual = readText(sourceTree() + QStringLiteral("/packaging/chorel.1"));
        const QString makefile = readText(sourceTree() + QStringLiteral("/Makefile"));
        QVERIFY(!help.isEmpty() && !readme.isEmpty() && !manual.isEmpty());
        for (const QString *text : {&help, &readme, &manual}) {
            QVERIFY(text->contains(QStringLiteral("below 0.1")));
            QVERIFY(!text->contains(QStringLiteral("0 or below")));
        }
        QVERIFY(readme.contains(QStringLiteral("make uninstall")));
        QVERIFY(makefile.contains(QStringLiteral("\nuninstall:")));
        QVERIFY(readme.contains(QStringLiteral("install_manifest.txt")));
        QVERIFY(readme.contains(QStringLiteral("lib/x86_64-linux-gnu/chorel/")));
        for (const QString &key : {QStringLiteral("Method"), QStringLiteral("Classes")})
            QVERIFY(help.contains(QStringLiteral("<tr><td>[DEFAULT]</td><td>") + key));
        QVERIFY(help.contains(QStringLiteral("four quantile classes")));
        QVERIFY(manual.contains(QStringLiteral("four quantile classes")));
        QVERIFY(QFileInfo::exists(qEnvironmentVariable("CHOREL_BIN") +
                                  QStringLiteral("/Languages/German.lng")));
    }

    // A CSV file names no map definition: File, Open asks for one with the real chooser, and
    // opening the same file again in the session draws it on the one chosen without asking;
    // another CSV file asks anew. Last of the suite: the window shows a CSV map afterwards.
    void mapDefinitionRememberedForTheSession()
    {
        const QByteArray rows = "37001,100\n37003,250.5\n37005,17\n37007,\n";
        for (const char *name : {"births.csv", "other.csv"}) {
            QFile csv(m_f.path(QStringLiteral("TQ-files/") + QString::fromLatin1(name)));
            QVERIFY(csv.open(QIODevice::WriteOnly));
            csv.write(QByteArray("FIPS,Births\n") + rows);
        }
        QStringList asked; // the statistics files the chooser asked for
        const auto open = [&](const QString &name) {
            QTimer answer;
            answer.setInterval(20);
            connect(&answer, &QTimer::timeout, this, [&] {
                QWidget *modal = QApplication::activeModalWidget();
                if (auto *d = qobject_cast<frmOpenDialog *>(modal)) {
                    if (d->Startup.isActive() || d->busy())
                        return;
                    d->txtPath->setText(m_f.path(QStringLiteral("TQ-files/") + name));
                    QTest::keyClick(d->txtPath, Qt::Key_Return);
                } else if (auto *c = qobject_cast<MapDefinitionChooser *>(modal)) {
                    asked << name;
                    auto *list = c->findChild<QListWidget *>(QStringLiteral("lstMapDefinitions"));
                    const auto nc = list->findItems(QStringLiteral("NC.INI"), Qt::MatchStartsWith);
                    if (nc.size() == 1)
                        list->setCurrentItem(nc.front());
                    c->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
                } else if (auto *t = qobject_cast<frmMapType *>(modal)) {
                    t->accept();
                }
            });
            answer.start();
            m_f.form->menuEntry(QStringLiteral("mnuOpen"))->trigger();
            const bool drawn = QTest::qWaitFor(
                [&] {
                    return m_f.form->state().DataFile.endsWith(name) && m_f.map->LayerCount() > 0
                           && !m_f.form->tmStart().isActive();
                },
                30000);
            answer.stop();
            return drawn;
        };
        QVERIFY(open(QStringLiteral("births.csv")));
        QCOMPARE(asked, QStringList{"births.csv"});
        QCOMPARE(m_f.form->session().MapIniName, QStringLiteral("NC.INI"));
        QVERIFY2(m_f.messages.isEmpty(), qPrintable(m_f.messages.join(u'\n')));
        QVERIFY(open(QStringLiteral("births.csv")));
        QCOMPARE(asked, QStringList{"births.csv"}); // not asked again
        // named as when chosen: an option file saved now says Geo=NC.INI as it did before
        QCOMPARE(m_f.form->session().MapIniName, QStringLiteral("NC.INI"));
        const QString tqo = m_f.optionFile(QStringLiteral("remembered"));
        QVERIFY2(tqo.contains(QStringLiteral("Geo=NC.INI")), qPrintable(tqo));
        QVERIFY(open(QStringLiteral("other.csv")));
        QCOMPARE(asked, (QStringList{"births.csv", "other.csv"}));
        QVERIFY2(m_f.messages.isEmpty(), qPrintable(m_f.messages.join(u'\n')));
    }
};

QTEST_MAIN(TestWindowUse)
#include "tst_windowuse.moc"
