// The thematic settings dialog on the North Carolina sample in the main window: OK and Cancel
// driven through the dialog's widgets, the main map's picture compared before and after, the
// option file written afterwards, the circle page, and the three ways of opening the dialog.
#include "app/driver/mainform.h"
#include "app/driver/showmessage.h"
#include "app/files/optionfile.h"
#include "app/view/cdrawsymbol.h"
#include "app/view/classbreaks.h"
#include "app/view/frmclassification.h"
#include "app/output/imageexport.h"
#include "app/view/mapsession.h"
#include "app/view/schemepicker.h"
#include "bandwise/classification.h"
#include "bandwise/colourschemes.h"
#include "platform/legend/legendwidget.h"
#include "platform/mapcontrol/mapwidget.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

struct County {
    const char *name;
    double lon, lat; // a point well inside the county
};

// Births 1974-78 in their five natural classes, one county per class.
const County counties[] = {{"Chatham", -79.151, 35.690},  {"Sampson", -78.325, 34.982},
                           {"Buncombe", -82.555, 35.626}, {"Wake", -78.642, 35.773},
                           {"Mecklenburg", -80.834, 35.227}};

QList<MapColor> classColours(const ClassBreaksRenderer &renderer) {
    QList<MapColor> colours;
    for (int i = 1; i <= renderer.BreakCount(); ++i)
        colours.append(renderer.Symbol(i).Color);
    return colours;
}

} // namespace

class TestThematicDialog : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<MainForm> m_form;
    MapWidget *m_map = nullptr;
    QStringList m_messages;

    MapSession &session() { return m_form->session(); }

    QImage picture() {
        QImage image(m_map->size(), QImage::Format_RGB32);
        QPainter painter(&image);
        m_map->PaintMap(painter, 1.0);
        return image;
    }

    // The main map exported as a PNG file and read back.
    QImage exported(const QString &name) {
        ImageExport(*m_map, *session().Legend).Export(m_dir.filePath(name), ImageFormat::Png);
        const QImage image(m_dir.filePath(name + QStringLiteral(".png")));
        return image.convertToFormat(QImage::Format_RGB32);
    }

    QColor colourAt(const QImage &map, const County &county) const {
        return map.pixelColor(m_map->FromMapPoint({county.lon, county.lat}).toPoint());
    }

    std::unique_ptr<frmClassification> dialog() {
        auto d = std::make_unique<frmClassification>(session().Context, m_form->state().WorkFolder,
                                                     m_form.get());
        d->setColorChooser([](const QColor &) { return std::optional<QColor>(QColor(0, 128, 0)); });
        return d;
    }

    static void choose(QComboBox *box, const QString &text) {
        const int index = box->findText(text);
        QVERIFY(index >= 0);
        box->setCurrentIndex(index);
        emit box->activated(index);
    }

    QString optionFile(const QString &name) {
        OptionFileSource source;
        source.DataFile = m_form->state().DataFile;
        source.MapIniName = session().MapIniName;
        source.SelectedValue = session().State.CurrentColumn;
        source.SelectedMap = session().State.CurrentMap;
        source.Map = session().Map;
        source.State = &session().State;
        source.Values = &session().Values;
        const QString base = m_dir.filePath(name);
        if (!CreateTQO(source, base))
            return QString();
        QFile file(base + QStringLiteral(".tqo"));
        file.open(QIODevice::ReadOnly);
        return QString::fromUtf8(file.readAll());
    }

    // Six equal-interval classes from a green start colour.
    void sixGreenEqualClasses(frmClassification &d) {
        choose(d.clfClass->ClassBox(), QStringLiteral("6"));
        choose(d.clfClass->TypeBox(), QStringLiteral("Equal Interval"));
        d.clfClass->pbStart_Click();
        QCOMPARE(d.clfClass->Renderer()->BreakCount(), 6);
    }

private slots:
    void initTestCase() {
        const QString samples = qEnvironmentVariable("CHOREL_SAMPLES");
        QDir home(m_dir.path());
        for (const QString &folder : {QStringLiteral("Maps"), QStringLiteral("TQ-files")}) {
            QVERIFY(home.mkdir(folder));
            const QDir from(samples + u'/' + folder);
            for (const QString &name : from.entryList(QDir::Files))
                QVERIFY(QFile::copy(from.filePath(name), home.filePath(folder + u'/' + name)));
        }
        QVERIFY(home.mkdir(QStringLiteral("tmp")));
        qputenv("CHOREL_HOME", m_dir.path().toLocal8Bit());
        qputenv("TMPDIR", home.filePath(QStringLiteral("tmp")).toLocal8Bit());
        SetMessageBoxFunction([this](const QString &caption, int, const QString &text) {
            m_messages.append(caption + u'|' + text);
        });
        const QString dataFile = home.filePath(QStringLiteral("TQ-files/nc_births_74.tq"));
        m_form = std::make_unique<MainForm>(
            ParseCommandLine({QStringLiteral("-f"), dataFile, QStringLiteral("-c"),
                              QStringLiteral("choroplet"), QStringLiteral("--method"),
                              QStringLiteral("natural"), QStringLiteral("--classes"),
                              QStringLiteral("5")}));
        m_form->Load();
        m_form->show();
        m_map = m_form->findChild<MapWidget *>(QStringLiteral("Map"));
        QVERIFY(m_map);
        QTRY_VERIFY_WITH_TIMEOUT(m_map->LayerCount() > 0, 20000);
        QVERIFY(!session().State.CircleMap);
    }

    void cleanupTestCase() { m_form.reset(); }

    // The map was made with --method natural --classes 5: the dialog opens on that type.
    void opensOnTheTypeOfTheCommandLine() {
        auto d = dialog();
        QCOMPARE(d->clfClass->TypeBox()->currentText(), QStringLiteral("Natural breaks"));
        QCOMPARE(d->clfClass->CurrentClassType(), int(kbNatural));
        QCOMPARE(d->clfClass->ClassBox()->currentText(), QStringLiteral("5"));
        QCOMPARE(d->cmbScheme->scheme(), QString());
        QCOMPARE(d->cmbScheme->currentText(), QStringLiteral("(two colours)"));
        QVERIFY(!d->txtMidpoint->isEnabled());
        d->cmdCancel->click();
    }

    void cancelLeavesTheMapAsItWas() {
        const QImage before = picture();
        const auto renderer = m_map->Layer(session().Values.ThematicLayer)->Renderer();
        const QString tqo = optionFile(QStringLiteral("before"));
        {
            auto d = dialog();
            sixGreenEqualClasses(*d);
            d->cmdCancel->click();
        }
        QCOMPARE(m_map->Layer(session().Values.ThematicLayer)->Renderer(), renderer);
        QCOMPARE(picture(), before);
        {
            // Escape (or the window's close button) restores the same way.
            auto d = dialog();
            d->show();
            sixGreenEqualClasses(*d);
            QTest::keyClick(d.get(), Qt::Key_Escape);
            QVERIFY(!d->isVisible());
        }
        QCOMPARE(picture(), before);
        QCOMPARE(optionFile(QStringLiteral("after")), tqo);
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(u'\n')));
    }

    // The type box offers natural breaks and rounded limits; natural breaks give the breaks of
    // the main program's own computation (the batch --method natural) on the same column.
    void naturalBreaksAsTheBatchRun() {
        const QImage before = picture();
        auto d = dialog();
        QComboBox *types = d->clfClass->TypeBox();
        QCOMPARE(types->itemText(kbNatural), QStringLiteral("Natural breaks"));
        QCOMPARE(types->itemText(kbPretty), QStringLiteral("Rounded limits"));
        choose(d->clfClass->ClassBox(), QStringLiteral("5"));
        choose(types, QStringLiteral("Natural breaks"));
        const QList<double> breaks = d->clfClass->GetClasses()->mid(1);
        // Births 1974-78: up to 2356, 5094, 9014, 16184, above.
        QCOMPARE(breaks, (QList<double>{2356, 5094, 9014, 16184}));
        int count = 4, type = kbNatural;
        ViewValues values;
        const auto batch = GetClasses(*m_map->Layer(session().Values.ThematicLayer), count,
                                      session().MapReader.GetStatField(), type, values);
        QVERIFY(batch);
        QCOMPARE(breaks, *batch);

        // Rounded limits: every break a whole multiple of one round step.
        choose(types, QStringLiteral("Rounded limits"));
        const QList<double> rounded = d->clfClass->GetClasses()->mid(1);
        QVERIFY(rounded.size() >= 3 && rounded.size() <= 5);
        const double step = rounded.at(1) - rounded.at(0);
        for (double limit : rounded)
            QCOMPARE(std::fmod(limit, step), 0.0);
        QCOMPARE(d->clfClass->ClassBox()->currentText(), QString::number(rounded.size() + 1));
        d->cmdCancel->click();
        QCOMPARE(picture(), before);
    }

    void okOnAnUnchangedMapChangesNothing() {
        const QImage before = picture();
        const QString tqo = optionFile(QStringLiteral("unchanged1"));
        const int classes = session().State.NumClasses;
        const QString legend = session().Legend->LegendText();
        auto d = dialog();
        QCOMPARE(d->clfClass->CurrentClassNum(), classes);
        d->cmdOK->click();
        QCOMPARE(session().State.NumClasses, classes);
        QCOMPARE(picture(), before);
        QCOMPARE(session().Legend->LegendText(), legend);
        QCOMPARE(optionFile(QStringLiteral("unchanged2")), tqo);
    }

    void schemeChosenInThePickerColoursTheMap() {
        const ColourScheme &ylOrRd = *FindColourScheme(QStringLiteral("YlOrRd"));
        auto d = dialog();
        choose(d->cmbScheme, QStringLiteral("YlOrRd"));
        // The preview takes the published colours of five classes at once.
        QCOMPARE(classColours(*d->clfClass->Renderer()), SchemeColours(ylOrRd, 5));
        QVERIFY(!d->txtMidpoint->isEnabled());
        QCOMPARE(d->cmbScheme->classCount(), 5);
        d->cmdOK->click();
        QCOMPARE(session().State.Scheme, QStringLiteral("YlOrRd"));
        QVERIFY(!session().Values.RampFlag);
        const QImage map = exported(QStringLiteral("ylorrd"));
        const QStringList published{"#ffffb2", "#fecc5c", "#fd8d3c", "#f03b20", "#bd0026"};
        for (int i = 0; i < 5; ++i)
            QCOMPARE(colourAt(map, counties[i]), QColor(published.at(i)));

        // Saved as custom classes with their own colours, which read back the same.
        const QString tqo = optionFile(QStringLiteral("ylorrd"));
        QVERIFY(tqo.contains(QStringLiteral("RampColors=0")));
        QVERIFY(tqo.contains(QStringLiteral("Color5=")));
        ViewState state;
        ViewValues values;
        QVERIFY(ReadClasses(m_dir.filePath(QStringLiteral("ylorrd.tqo")), state, values,
                            m_form->state().colColorMap));
        QCOMPARE(*state.ClassColors, SchemeColours(ylOrRd, 5));

        auto again = dialog();
        QCOMPARE(again->cmbScheme->scheme(), QStringLiteral("YlOrRd"));
        QCOMPARE(again->cmbScheme->currentText(), QStringLiteral("YlOrRd"));
        again->cmdCancel->click();
    }

    void divergingSchemeWithATypedMidpoint() {
        const ColourScheme &rdBu = *FindColourScheme(QStringLiteral("RdBu"));
        auto d = dialog();
        choose(d->cmbScheme, QStringLiteral("RdBu"));
        // The births are all above 0: the default midpoint is their median.
        QVERIFY(d->txtMidpoint->isEnabled());
        QCOMPARE(d->txtMidpoint->text(), QStringLiteral("2180.5"));
        d->txtMidpoint->selectAll();
        QTest::keyClicks(d->txtMidpoint, QStringLiteral("-x10000"));
        QCOMPARE(d->txtMidpoint->text(), QStringLiteral("-10000"));
        d->txtMidpoint->setCursorPosition(0);
        QTest::keyClick(d->txtMidpoint, Qt::Key_Delete);
        QTest::keyClick(d->txtMidpoint, Qt::Key_Return);
        QCOMPARE(d->result(), 0); // Enter commits the box, it does not press OK
        const QList<double> breaks = d->clfClass->GetClasses()->mid(1);
        const QList<MapColor> centred = CentredSchemeColours(rdBu, breaks, 248, 21588, 10000);
        QCOMPARE(classColours(*d->clfClass->Renderer()), centred);
        QVERIFY(centred != CentredSchemeColours(rdBu, breaks, 248, 21588, 2180.5));
        d->cmdOK->click();
        QCOMPARE(session().State.Scheme, QStringLiteral("RdBu"));
        QCOMPARE(session().State.Midpoint.value_or(0), 10000.0);
        const QImage map = exported(QStringLiteral("rdbu"));
        for (int i = 0; i < 5; ++i)
            QCOMPARE(colourAt(map, counties[i]), toQColor(centred.at(i)));
        // Wake's class (9014 to 16184) holds 10000: the light middle colour.
        QCOMPARE(colourAt(map, counties[3]), QColor("#f7f7f7"));

        auto again = dialog();
        QCOMPARE(again->txtMidpoint->text(), QStringLiteral("10000"));
        // An emptied box goes back to the default midpoint.
        again->txtMidpoint->clear();
        again->txtMidpoint_Commit();
        QCOMPARE(again->txtMidpoint->text(), QStringLiteral("2180.5"));
        QVERIFY(!again->clfClass->Midpoint());
        again->cmdCancel->click();
        QCOMPARE(session().State.Midpoint.value_or(0), 10000.0);
    }

    void cancelAfterASchemeLeavesThePicture() {
        const QImage before = exported(QStringLiteral("beforecancel"));
        const QString tqo = optionFile(QStringLiteral("beforecancel"));
        auto d = dialog();
        choose(d->cmbScheme, QStringLiteral("PuOr"));
        d->txtMidpoint->setText(QStringLiteral("5000"));
        d->txtMidpoint_Commit();
        choose(d->clfClass->ClassBox(), QStringLiteral("7"));
        QCOMPARE(classColours(*d->clfClass->Renderer()).size(), 7);
        d->cmdCancel->click();
        QCOMPARE(exported(QStringLiteral("aftercancel")), before);
        QCOMPARE(session().State.Scheme, QStringLiteral("RdBu"));
        QCOMPARE(session().State.Midpoint.value_or(0), 10000.0);
        QCOMPARE(optionFile(QStringLiteral("aftercancel")), tqo);
    }

    void twoColoursGoBackToTheRamp() {
        auto d = dialog();
        choose(d->cmbScheme, QStringLiteral("(two colours)"));
        QVERIFY(!d->txtMidpoint->isEnabled());
        QVERIFY(d->clfClass->findChild<QWidget *>(QStringLiteral("frmColor"))->isEnabled());
        d->cmdOK->click();
        QVERIFY(session().State.Scheme.isEmpty());
        QVERIFY(session().Values.RampFlag);
        const auto renderer = m_map->Layer(session().Values.ThematicLayer)->Renderer();
        QCOMPARE(renderer->Symbol(1).Color, session().State.StartColor);
        QCOMPARE(renderer->Symbol(5).Color, session().State.EndColor);
        QVERIFY(optionFile(QStringLiteral("ramp")).contains(QStringLiteral("RampColors=1")));
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join(u'\n')));
    }

    void okAppliesClassesColoursAndBounds() {
        const QImage before = picture();
        auto d = dialog();
        sixGreenEqualClasses(*d);
        const QList<double> breaks = *d->clfClass->GetClasses();
        d->cmdOK->click();
        const auto renderer = m_map->Layer(session().Values.ThematicLayer)->Renderer();
        QCOMPARE(renderer->BreakCount(), 6);
        QCOMPARE(session().State.NumClasses, 6);
        QCOMPARE(session().State.ClassType, int(kbEqual));
        QCOMPARE(session().State.StartColor, fromQColor(QColor(0, 128, 0)));
        QCOMPARE(renderer->Symbol(1).Color, fromQColor(QColor(0, 128, 0)));
        QCOMPARE(session().Values.CurrentRenderer, renderer);
        QVERIFY(picture() != before);
        // The legend shows six classes and the no-data class.
        QCOMPARE(session().Legend->LegendText().count(QStringLiteral("\r\n")), 1 + 6 + 1);

        // Saved and read back: the same classes.
        const QString tqo = optionFile(QStringLiteral("six"));
        QVERIFY(tqo.contains(QStringLiteral("Classes=6")));
        ViewState state;
        ViewValues values;
        const auto stored = ReadClasses(m_dir.filePath(QStringLiteral("six.tqo")), state, values,
                                        m_form->state().colColorMap);
        QVERIFY(stored);
        QCOMPARE(state.NumClasses, 6);
        QCOMPARE(*stored, breaks.mid(1));
        QCOMPARE(values.UpperBound, session().Values.UpperBound);

        // The dialog opens again on these classes.
        auto again = dialog();
        QCOMPARE(again->clfClass->ClassBox()->currentText(), QStringLiteral("6"));
        QCOMPARE(again->clfClass->TypeBox()->currentIndex(), int(kbEqual));
        again->cmdCancel->click();
    }

    void circlePage() {
        auto d = dialog();
        QCOMPARE(d->txtPercent->text(), QStringLiteral("10"));
        QTest::keyClicks(d->txtPercent, QStringLiteral("a 5"));
        // Letters and blanks are dropped; "105" is cut to 100.
        QCOMPARE(d->txtPercent->text(), QStringLiteral("100"));
        d->txtPercent->clear();
        QCOMPARE(d->txtPercent->text(), QStringLiteral("0"));
        d->txtPercent->setText(QStringLiteral("250"));
        QCOMPARE(d->txtPercent->text(), QStringLiteral("100"));
        d->txtPercent->setText(QStringLiteral("20"));
        d->cmdColor_Click();
        d->stbSymbolic->setCurrentIndex(1);
        const QImage before = picture();
        d->cmdOK->click();
        QVERIFY(session().State.CircleMap);
        QVERIFY(session().Values.SymbolDrawer);
        QCOMPARE(session().Values.SymbolDrawer->CirclePercent, 20);
        QCOMPARE(session().State.SymbolColor, fromQColor(QColor(0, 128, 0)));
        QVERIFY(!m_map->Layer(session().Values.ThematicLayer)->Renderer());
        const QImage circles = picture();
        QVERIFY(circles != before);

        // Reopened on circles; Cancel leaves the circles; a larger size changes them.
        auto again = dialog();
        QCOMPARE(again->stbSymbolic->currentIndex(), 1);
        QCOMPARE(again->txtPercent->text(), QStringLiteral("20"));
        again->cmdCancel->click();
        QVERIFY(!m_map->Layer(session().Values.ThematicLayer)->Renderer());
        QCOMPARE(picture(), circles);
        auto larger = dialog();
        larger->txtPercent->setText(QStringLiteral("40"));
        larger->cmdOK->click();
        QCOMPARE(session().Values.SymbolDrawer->CirclePercent, 40);
        QVERIFY(picture() != circles);

        // Back to the choropleth page: the classes kept while circles were shown return.
        auto back = dialog();
        back->stbSymbolic->setCurrentIndex(0);
        back->cmdOK->click();
        QVERIFY(!session().State.CircleMap);
        QCOMPARE(m_map->Layer(session().Values.ThematicLayer)->Renderer()->BreakCount(), 6);
    }

    void menuButtonAndLegendOpenTheDialog() {
        for (const QString &how : {QStringLiteral("menu"), QStringLiteral("button"),
                                   QStringLiteral("legend")}) {
            bool opened = false;
            QTimer::singleShot(0, this, [&opened] {
                auto *d = qobject_cast<frmClassification *>(QApplication::activeModalWidget());
                opened = d != nullptr;
                if (d)
                    d->reject();
            });
            if (how == QStringLiteral("menu"))
                m_form->menuEntry(QStringLiteral("mnuTheme"))->trigger();
            else if (how == QStringLiteral("button"))
                m_form->toolButton(QStringLiteral("TemaMap"))->trigger();
            else
                emit session().Legend->EntryActivated(0);
            QVERIFY2(opened, qPrintable(how));
        }
    }
};

QTEST_MAIN(TestThematicDialog)
#include "tst_thematicdialog.moc"
