// The main window on a real map: choosing a map tool from the menu or the toolbar, dragging
// rectangles to zoom in and out, the previous and the full extent, the zoom keys; then another statistics
// file shown in the same window.
#include "mainwindowfixture.h"

#include "app/driver/mainform.h"
#include "app/view/mapsession.h"
#include "platform/mapcontrol/mapwidget.h"

#include <QAction>
#include <QDir>
#include <QListWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <cmath>

namespace {

// Presses the left button at from, and - once the map tracks the mouse - moves to to and
// releases there.
void drag(MapWidget *map, QPoint from, QPoint to)
{
    QTimer::singleShot(0, map, [map, to] {
        SendMouse(map, QEvent::MouseMove, to, Qt::LeftButton);
        SendMouse(map, QEvent::MouseButtonRelease, to, Qt::NoButton);
    });
    SendMouse(map, QEvent::MouseButtonPress, from, Qt::LeftButton);
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private:
    MainWindowFixture m_window;
    MainForm *m_form = nullptr;
    MapWidget *m_map = nullptr;

private slots:
    void initTestCase()
    {
        QVERIFY(m_window.start(QStringLiteral("nc_births_74.tq")));
        m_form = m_window.form.get();
        m_map = m_window.map;
    }

    void toolFromMenuOrButton_data()
    {
        QTest::addColumn<QString>("menuEntry");
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("pointer");
        QTest::newRow("zoom out") << "mnuZoomout" << "ZoomOut" << int(ZoomOutPointer);
        QTest::newRow("pan") << "mnuPan" << "Pan" << int(PanPointer);
        QTest::newRow("information") << "mnuInfo" << "Info" << int(InfoPointer);
        QTest::newRow("zoom in") << "mnuZoomin" << "ZoomIn" << int(ZoomInPointer);
    }

    void toolFromMenuOrButton()
    {
        QFETCH(QString, menuEntry);
        QFETCH(QString, button);
        QFETCH(int, pointer);
        m_form->toolButton(QStringLiteral("Pan"))->trigger();
        m_form->menuEntry(menuEntry)->trigger();
        QVERIFY(m_form->toolButton(button)->isChecked());
        QCOMPARE(m_map->MousePointer(), pointer);
        m_form->toolButton(QStringLiteral("Info"))->trigger();
        QVERIFY(!m_form->menuEntry(menuEntry)->isChecked() || button == QStringLiteral("Info"));
        m_form->toolButton(button)->trigger();
        QVERIFY(m_form->menuEntry(menuEntry)->isChecked());
        QCOMPARE(m_map->MousePointer(), pointer);
    }

    void zoomInOutBackAndFull()
    {
        QAction *back = m_form->toolButton(QStringLiteral("PrevExtent"));
        m_form->toolButton(QStringLiteral("FullExtent"))->trigger();
        QCOMPARE(m_map->Extent().Width(), m_map->FullExtent().Width());
        const MapRectangle full = m_map->Extent();

        m_form->toolButton(QStringLiteral("ZoomIn"))->trigger();
        const QPoint centre = m_map->rect().center();
        drag(m_map, centre - QPoint(40, 30), centre + QPoint(40, 30));
        const MapRectangle zoomed = m_map->Extent();
        QVERIFY2(zoomed.Width() < full.Width() / 3, "the dragged rectangle is shown");
        QTRY_VERIFY(back->isEnabled());

        // A click without dragging changes nothing.
        drag(m_map, centre, centre);
        QCOMPARE(m_map->Extent().Width(), zoomed.Width());

        m_form->menuEntry(QStringLiteral("mnuZoomout"))->trigger();
        drag(m_map, centre - QPoint(40, 30), centre + QPoint(40, 30));
        QVERIFY(m_map->Extent().Width() > zoomed.Width() * 1.5);

        back->trigger();
        QCOMPARE(m_map->Extent().Width(), zoomed.Width());
        m_form->menuEntry(QStringLiteral("mnuPrev"))->trigger();
        QCOMPARE(m_map->Extent().Width(), full.Width());

        drag(m_map, centre - QPoint(40, 30), centre + QPoint(40, 30));
        m_form->menuEntry(QStringLiteral("mnuFull"))->trigger();
        QCOMPARE(m_map->Extent().Width(), full.Width());
        m_form->toolButton(QStringLiteral("ZoomIn"))->trigger();
    }

    void panMovesTheExtent()
    {
        m_form->toolButton(QStringLiteral("Pan"))->trigger();
        const MapRectangle before = m_map->Extent();
        const QPoint centre = m_map->rect().center();
        drag(m_map, centre, centre + QPoint(50, 0));
        QVERIFY(m_map->Extent().Left < before.Left);
        QCOMPARE(m_map->MousePointer(), int(PanPointer));
        m_form->toolButton(QStringLiteral("ZoomIn"))->trigger();
    }

    // The desktop's zoom keys step the zoom by 0.6 and 1.6 ("InZoom", "OutZoom"; the factors
    // are single-precision numbers): one step in and one out show 0.96 of the extent, not the
    // extent before. The commands with a standard key on the desktop have it.
    void keys()
    {
        m_form->toolButton(QStringLiteral("FullExtent"))->trigger();
        const double full = m_map->Extent().Width();
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form));
        QTest::keySequence(m_form, QKeySequence(QKeySequence::ZoomIn));
        QVERIFY(std::abs(m_map->Extent().Width() / full - 0.6) < 1e-6);
        QTest::keySequence(m_form, QKeySequence(QKeySequence::ZoomOut));
        QVERIFY(std::abs(m_map->Extent().Width() / full - 0.96) < 1e-6);
        m_form->menuEntry(QStringLiteral("mnuFull"))->trigger();
        QCOMPARE(m_map->Extent().Width(), full);

        QCOMPARE(m_form->menuEntry(QStringLiteral("mnuOpen"))->shortcut(),
                 QKeySequence(QKeySequence::Open));
        QCOMPARE(m_form->menuEntry(QStringLiteral("mnuPrint"))->shortcut(),
                 QKeySequence(QKeySequence::Print));
        QCOMPARE(m_form->menuEntry(QStringLiteral("mnuContents"))->shortcut(),
                 QKeySequence(Qt::Key_F1));
        QVERIFY(!m_form->menuEntry(QStringLiteral("mnuSaveAs"))->shortcut().isEmpty());
    }

    // Runs last: the window then shows a semicolon file, with its own lists and no
    // statistics information left over from the cube file shown before.
    void anotherFileReplacesListsAndInformation()
    {
        QCOMPARE(m_form->panelText(QStringLiteral("Data")), QStringLiteral("Period=1974-78"));
        m_form->state().DataFile =
            m_window.path(QStringLiteral("TQ-files/world_2014.sdv"));
        m_form->session().ClearView();
        m_form->tmStart().start();
        QTRY_COMPARE_WITH_TIMEOUT(m_form->statList()->count(), 3, 20000);
        QTRY_VERIFY(m_map->LayerCount() > 0);
        QCOMPARE(m_form->statList()->item(0)->text(), QStringLiteral("Population"));
        QCOMPARE(m_form->mapList()->topLevelItemCount(), 1);
        QCOMPARE(m_form->mapList()->topLevelItem(0)->text(0), QStringLiteral("Countries of the world"));
        QCOMPARE(m_form->panelText(QStringLiteral("Data")), QString());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
