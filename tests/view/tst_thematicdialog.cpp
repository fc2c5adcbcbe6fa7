// The thematic settings dialog on the North Carolina sample in the main window: OK and Cancel
// driven through the dialog's widgets, the main map's picture compared before and after, the
// option file written afterwards, the class types, the circle page, and the three ways of
// opening the dialog.
#include "thematicfixture.h"

#include "app/files/optionfile.h"
#include "app/view/cdrawsymbol.h"
#include "app/view/classbreaks.h"
#include "app/view/frmclassification.h"
#include "app/view/mapsession.h"
#include "app/view/schemepicker.h"
#include "bandwise/classification.h"
#include "platform/legend/legendwidget.h"
#include "platform/mapcontrol/mapwidget.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

#include <cmath>

class TestThematicDialog : public QObject {
    Q_OBJECT

private:
    ThematicFixture m_f;

    // Six equal-interval classes from a green start colour.
    void sixGreenEqualClasses(frmClassification &d) {
        Choose(d.clfClass->ClassBox(), QStringLiteral("6"));
        Choose(d.clfClass->TypeBox(), QStringLiteral("Equal Interval"));
        d.clfClass->pbStart_Click();
        QCOMPARE(d.clfClass->Renderer()->BreakCount(), 6);
    }

private slots:
    void initTestCase() { QVERIFY(m_f.startOnNaturalBirths()); }
    void cleanupTestCase() { m_f.form.reset(); }

    // The map was made with --method natural --classes 5: the dialog opens on that type.
    void opensOnTheTypeOfTheCommandLine() {
        auto d = m_f.dialog();
        QCOMPARE(d->clfClass->TypeBox()->currentText(), QStringLiteral("Natural breaks"));
        QCOMPARE(d->clfClass->CurrentClassType(), int(kbNatural));
        QCOMPARE(d->clfClass->ClassBox()->currentText(), QStringLiteral("5"));
        QCOMPARE(d->cmbScheme->scheme(), QString());
        QCOMPARE(d->cmbScheme->currentText(), QStringLiteral("(two colours)"));
        QVERIFY(!d->txtMidpoint->isEnabled());
        d->cmdCancel->click();
    }

    void cancelLeavesTheMapAsItWas() {
        const QImage before = m_f.picture();
        const auto renderer = m_f.map->Layer(m_f.session().Values.ThematicLayer)->Renderer();
        const QString tqo = m_f.optionFile(QStringLiteral("before"));
        {
            auto d = m_f.dialog();
            sixGreenEqualClasses(*d);
            d->cmdCancel->click();
        }
        QCOMPARE(m_f.map->Layer(m_f.session().Values.ThematicLayer)->Renderer(), renderer);
        QCOMPARE(m_f.picture(), before);
        {
            // Escape (or the window's close button) restores the same way.
            auto d = m_f.dialog();
            d->show();
            sixGreenEqualClasses(*d);
            QTest::keyClick(d.get(), Qt::Key_Escape);
            QVERIFY(!d->isVisible());
        }
        QCOMPARE(m_f.picture(), before);
        QCOMPARE(m_f.optionFile(QStringLiteral("after")), tqo);
        QVERIFY2(m_f.messages.isEmpty(), qPrintable(m_f.messages.join(u'\n')));
    }

    // The type box offers natural breaks and rounded limits; natural breaks give the breaks of
    // the main program's own computation (the batch --method natural) on the same column.
    void naturalBreaksAsTheBatchRun() {
        const QImage before = m_f.picture();
        auto d = m_f.dialog();
        QComboBox *types = d->clfClass->TypeBox();
        QCOMPARE(types->itemText(kbNatural), QStringLiteral("Natural breaks"));
        QCOMPARE(types->itemText(kbPretty), QStringLiteral("Rounded limits"));
        Choose(d->clfClass->ClassBox(), QStringLiteral("5"));
        Choose(types, QStringLiteral("Natural breaks"));
        const QList<double> breaks = d->clfClass->GetClasses()->mid(1);
        // Births 1974-78: up to 2356, 5094, 9014, 16184, above.
        QCOMPARE(breaks, (QList<double>{2356, 5094, 9014, 16184}));
        int count = 4, type = kbNatural;
        ViewValues values;
        const auto batch = GetClasses(*m_f.map->Layer(m_f.session().Values.ThematicLayer), count,
                                      m_f.session().MapReader.GetStatField(), type, values);
        QVERIFY(batch);
        QCOMPARE(breaks, *batch);

        // Rounded limits: every break a whole multiple of one round step.
        Choose(types, QStringLiteral("Rounded limits"));
        const QList<double> rounded = d->clfClass->GetClasses()->mid(1);
        QVERIFY(rounded.size() >= 3 && rounded.size() <= 5);
        const double step = rounded.at(1) - rounded.at(0);
        for (double limit : rounded)
            QCOMPARE(std::fmod(limit, step), 0.0);
        QCOMPARE(d->clfClass->ClassBox()->currentText(), QString::number(rounded.size() + 1));
        d->cmdCancel->click();
        QCOMPARE(m_f.picture(), before);
    }

    void okOnAnUnchangedMapChangesNothing() {
        const QImage before = m_f.picture();
        const QString tqo = m_f.optionFile(QStringLiteral("unchanged1"));
        const int classes = m_f.session().State.NumClasses;
        const QString legend = m_f.session().Legend->LegendText();
        auto d = m_f.dialog();
        QCOMPARE(d->clfClass->CurrentClassNum(), classes);
        d->cmdOK->click();
        QCOMPARE(m_f.session().State.NumClasses, classes);
        QCOMPARE(m_f.picture(), before);
        QCOMPARE(m_f.session().Legend->LegendText(), legend);
        QCOMPARE(m_f.optionFile(QStringLiteral("unchanged2")), tqo);
    }

    void okAppliesClassesColoursAndBounds() {
        const QImage before = m_f.picture();
        auto d = m_f.dialog();
        sixGreenEqualClasses(*d);
        const QList<double> breaks = *d->clfClass->GetClasses();
        d->cmdOK->click();
        const auto renderer = m_f.map->Layer(m_f.session().Values.ThematicLayer)->Renderer();
        QCOMPARE(renderer->BreakCount(), 6);
        QCOMPARE(m_f.session().State.NumClasses, 6);
        QCOMPARE(m_f.session().State.ClassType, int(kbEqual));
        QCOMPARE(m_f.session().State.StartColor, fromQColor(QColor(0, 128, 0)));
        QCOMPARE(renderer->Symbol(1).Color, fromQColor(QColor(0, 128, 0)));
        QCOMPARE(m_f.session().Values.CurrentRenderer, renderer);
        QVERIFY(m_f.picture() != before);
        // The legend shows six classes and the no-data class.
        QCOMPARE(m_f.session().Legend->LegendText().count(QStringLiteral("\r\n")), 1 + 6 + 1);

        // Saved and read back: the same classes.
        const QString tqo = m_f.optionFile(QStringLiteral("six"));
        QVERIFY(tqo.contains(QStringLiteral("Classes=6")));
        ViewState state;
        ViewValues values;
        const auto stored = ReadClasses(m_f.path(QStringLiteral("six.tqo")), state, values,
                                        m_f.form->state().colColorMap);
        QVERIFY(stored);
        QCOMPARE(state.NumClasses, 6);
        QCOMPARE(*stored, breaks.mid(1));
        QCOMPARE(values.UpperBound, m_f.session().Values.UpperBound);

        // The dialog opens again on these classes.
        auto again = m_f.dialog();
        QCOMPARE(again->clfClass->ClassBox()->currentText(), QStringLiteral("6"));
        QCOMPARE(again->clfClass->TypeBox()->currentIndex(), int(kbEqual));
        again->cmdCancel->click();
    }

    void circlePage() {
        auto d = m_f.dialog();
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
        const QImage before = m_f.picture();
        d->cmdOK->click();
        QVERIFY(m_f.session().State.CircleMap);
        QVERIFY(m_f.session().Values.SymbolDrawer);
        QCOMPARE(m_f.session().Values.SymbolDrawer->CirclePercent, 20);
        QCOMPARE(m_f.session().State.SymbolColor, fromQColor(QColor(0, 128, 0)));
        QVERIFY(!m_f.map->Layer(m_f.session().Values.ThematicLayer)->Renderer());
        const QImage circles = m_f.picture();
        QVERIFY(circles != before);

        // Reopened on circles; Cancel leaves the circles; a larger size changes them.
        auto again = m_f.dialog();
        QCOMPARE(again->stbSymbolic->currentIndex(), 1);
        QCOMPARE(again->txtPercent->text(), QStringLiteral("20"));
        again->cmdCancel->click();
        QVERIFY(!m_f.map->Layer(m_f.session().Values.ThematicLayer)->Renderer());
        QCOMPARE(m_f.picture(), circles);
        auto larger = m_f.dialog();
        larger->txtPercent->setText(QStringLiteral("40"));
        larger->cmdOK->click();
        QCOMPARE(m_f.session().Values.SymbolDrawer->CirclePercent, 40);
        QVERIFY(m_f.picture() != circles);

        // Back to the choropleth page: the classes kept while circles were shown return.
        auto back = m_f.dialog();
        back->stbSymbolic->setCurrentIndex(0);
        back->cmdOK->click();
        QVERIFY(!m_f.session().State.CircleMap);
        QCOMPARE(m_f.map->Layer(m_f.session().Values.ThematicLayer)->Renderer()->BreakCount(), 6);
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
                m_f.form->menuEntry(QStringLiteral("mnuTheme"))->trigger();
            else if (how == QStringLiteral("button"))
                m_f.form->toolButton(QStringLiteral("TemaMap"))->trigger();
            else
                emit m_f.session().Legend->EntryActivated(0);
            QVERIFY2(opened, qPrintable(how));
        }
    }
};

QTEST_MAIN(TestThematicDialog)
#include "tst_thematicdialog.moc"
