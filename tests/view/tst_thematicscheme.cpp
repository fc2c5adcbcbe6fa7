// The colour scheme part of the thematic settings dialog on the North Carolina births in the
// main window: a scheme chosen in the picker, a diverging scheme's midpoint typed into its box,
// Cancel and the way back to the two-colour ramp, with the colours read from the exported map
// at known counties and from the option file written afterwards.
#include "thematicfixture.h"

#include "app/files/optionfile.h"
#include "app/view/frmclassification.h"
#include "app/view/mapsession.h"
#include "app/view/schemepicker.h"
#include "bandwise/classification.h"
#include "bandwise/colourschemes.h"
#include "platform/legend/legendwidget.h"
#include "platform/mapcontrol/mapwidget.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

struct County {
    const char *name;
    double lon, lat; // a point well inside the county
};

// Births 1974-78 in their five natural classes, one county per class.
const County counties[] = {{"Chatham", -79.151, 35.690},  {"Sampson", -78.325, 34.982},
                           {"Buncombe", -82.555, 35.626}, {"Wake", -78.642, 35.773},
                           {"Mecklenburg", -80.834, 35.227}};

} // namespace

class TestThematicScheme : public QObject {
    Q_OBJECT

private:
    ThematicFixture m_f;

    QColor colourAt(const QImage &map, const County &county) const {
        return m_f.colourAt(map, county.lon, county.lat);
    }

private slots:
    void initTestCase() { QVERIFY(m_f.startOnNaturalBirths()); }
    void cleanupTestCase() { m_f.form.reset(); }

    void schemeChosenInThePickerColoursTheMap() {
        const ColourScheme &ylOrRd = *FindColourScheme(QStringLiteral("YlOrRd"));
        auto d = m_f.dialog();
        Choose(d->cmbScheme, QStringLiteral("YlOrRd"));
        // The preview takes the published colours of five classes at once.
        QCOMPARE(ClassColours(*d->clfClass->Renderer()), SchemeColours(ylOrRd, 5));
        QVERIFY(!d->txtMidpoint->isEnabled());
        QCOMPARE(d->cmbScheme->classCount(), 5);
        d->cmdOK->click();
        QCOMPARE(m_f.session().State.Scheme, QStringLiteral("YlOrRd"));
        QVERIFY(!m_f.session().Values.RampFlag);
        const QImage map = m_f.exported(QStringLiteral("ylorrd"));
        const QStringList published{"#ffffb2", "#fecc5c", "#fd8d3c", "#f03b20", "#bd0026"};
        for (int i = 0; i < 5; ++i)
            QCOMPARE(colourAt(map, counties[i]), QColor(published.at(i)));

        // Saved as custom classes with their own colours, which read back the same.
        const QString tqo = m_f.optionFile(QStringLiteral("ylorrd"));
        QVERIFY(tqo.contains(QStringLiteral("RampColors=0")));
        QVERIFY(tqo.contains(QStringLiteral("Color5=")));
        ViewState state;
        ViewValues values;
        QVERIFY(ReadClasses(m_f.path(QStringLiteral("ylorrd.tqo")), state, values,
                            m_f.form->state().colColorMap));
        QCOMPARE(*state.ClassColors, SchemeColours(ylOrRd, 5));

        auto again = m_f.dialog();
        QCOMPARE(again->cmbScheme->scheme(), QStringLiteral("YlOrRd"));
        QCOMPARE(again->cmbScheme->currentText(), QStringLiteral("YlOrRd"));
        again->cmdCancel->click();
    }

    void divergingSchemeWithATypedMidpoint() {
        const ColourScheme &rdBu = *FindColourScheme(QStringLiteral("RdBu"));
        auto d = m_f.dialog();
        Choose(d->cmbScheme, QStringLiteral("RdBu"));
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
        QCOMPARE(ClassColours(*d->clfClass->Renderer()), centred);
        QVERIFY(centred != CentredSchemeColours(rdBu, breaks, 248, 21588, 2180.5));
        d->cmdOK->click();
        QCOMPARE(m_f.session().State.Scheme, QStringLiteral("RdBu"));
        QCOMPARE(m_f.session().State.Midpoint.value_or(0), 10000.0);
        const QImage map = m_f.exported(QStringLiteral("rdbu"));
        for (int i = 0; i < 5; ++i)
            QCOMPARE(colourAt(map, counties[i]), toQColor(centred.at(i)));
        // Wake's class (9014 to 16184) holds 10000: the light middle colour.
        QCOMPARE(colourAt(map, counties[3]), QColor("#f7f7f7"));

        auto again = m_f.dialog();
        QCOMPARE(again->txtMidpoint->text(), QStringLiteral("10000"));
        // An emptied box goes back to the default midpoint.
        again->txtMidpoint->clear();
        again->txtMidpoint_Commit();
        QCOMPARE(again->txtMidpoint->text(), QStringLiteral("2180.5"));
        QVERIFY(!again->clfClass->Midpoint());
        again->cmdCancel->click();
        QCOMPARE(m_f.session().State.Midpoint.value_or(0), 10000.0);
    }

    void cancelAfterASchemeLeavesThePicture() {
        const QImage before = m_f.exported(QStringLiteral("beforecancel"));
        const QString tqo = m_f.optionFile(QStringLiteral("beforecancel"));
        auto d = m_f.dialog();
        Choose(d->cmbScheme, QStringLiteral("PuOr"));
        d->txtMidpoint->setText(QStringLiteral("5000"));
        d->txtMidpoint_Commit();
        Choose(d->clfClass->ClassBox(), QStringLiteral("7"));
        QCOMPARE(ClassColours(*d->clfClass->Renderer()).size(), 7);
        // A class given its own colour in the legend ends the scheme: the picker follows.
        emit d->clfClass->Legend()->SymbolClicked(0, 1);
        QCOMPARE(d->cmbScheme->scheme(), QString());
        QVERIFY(!d->txtMidpoint->isEnabled());
        d->cmdCancel->click();
        QCOMPARE(m_f.exported(QStringLiteral("aftercancel")), before);
        QCOMPARE(m_f.session().State.Scheme, QStringLiteral("RdBu"));
        QCOMPARE(m_f.session().State.Midpoint.value_or(0), 10000.0);
        QCOMPARE(m_f.optionFile(QStringLiteral("aftercancel")), tqo);

        // Escape while a midpoint is being typed: the box losing its focus as the dialog
        // closes changes nothing either.
        auto typing = m_f.dialog();
        typing->show();
        QVERIFY(QTest::qWaitForWindowExposed(typing.get()));
        Choose(typing->cmbScheme, QStringLiteral("RdYlGn"));
        typing->txtMidpoint->setFocus();
        typing->txtMidpoint->selectAll();
        QTest::keyClicks(typing->txtMidpoint, QStringLiteral("3000"));
        QTest::keyClick(typing->txtMidpoint, Qt::Key_Escape);
        QVERIFY(!typing->isVisible());
        QCOMPARE(m_f.exported(QStringLiteral("afterescape")), before);
        QCOMPARE(m_f.session().State.Midpoint.value_or(0), 10000.0);
    }

    void twoColoursGoBackToTheRamp() {
        auto d = m_f.dialog();
        Choose(d->cmbScheme, QStringLiteral("(two colours)"));
        QVERIFY(!d->txtMidpoint->isEnabled());
        QVERIFY(d->clfClass->findChild<QWidget *>(QStringLiteral("frmColor"))->isEnabled());
        d->cmdOK->click();
        QVERIFY(m_f.session().State.Scheme.isEmpty());
        QVERIFY(m_f.session().Values.RampFlag);
        const auto renderer = m_f.map->Layer(m_f.session().Values.ThematicLayer)->Renderer();
        QCOMPARE(renderer->Symbol(1).Color, m_f.session().State.StartColor);
        QCOMPARE(renderer->Symbol(5).Color, m_f.session().State.EndColor);
        QVERIFY(m_f.optionFile(QStringLiteral("ramp")).contains(QStringLiteral("RampColors=1")));
        QVERIFY2(m_f.messages.isEmpty(), qPrintable(m_f.messages.join(u'\n')));
    }
};

QTEST_MAIN(TestThematicScheme)
#include "tst_thematicscheme.moc"
