// The main window on a real map: choosing a map tool from the menu or the toolbar, dragging
// rectangles to zoom in and out, the previous and the full extent; then another statistics
// file shown in the same window.
#include "app/driver/mainform.h"
#include "app/driver/showmessage.h"
#include "app/view/mapsession.h"
#include "platform/mapcontrol/mapwidget.h"

#include <QAction>
#include <QDir>
#include <QListWidget>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

namespace {

void sendMouse(QWidget *widget, QEvent::Type type, QPoint at, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), Qt::LeftButton,
                      buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

// Presses the left button at from, and - once the map tracks the mouse - moves to to and
// releases there.
void drag(MapWidget *map, QPoint from, QPoint to)
{
    QTimer::singleShot(0, map, [map, to] {
        sendMouse(map, QEvent::MouseMove, to, Qt::LeftButton);
        sendMouse(map, QEvent::MouseButtonRelease, to, Qt::NoButton);
    });
    sendMouse(map, QEvent::MouseButtonPress, from, Qt::LeftButton);
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<MainForm> m_form;
    MapWidget *m_map = nullptr;

private slots:
    void initTestCase()
    {
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
        SetMessageBoxFunction([](const QString &caption, int, const QString &text) {
            qWarning("message %s: %s", qPrintable(caption), qPrintable(text));
        });
        const QString dataFile = home.filePath(QStringLiteral("TQ-files/nc_births_74.tq"));
        m_form = std::make_unique<MainForm>(
            ParseCommandLine({QStringLiteral("-f"), dataFile, QStringLiteral("-c"),
                              QStringLiteral("choroplet")}));
        m_form->Load();
        m_form->show();
        m_map = m_form->findChild<MapWidget *>(QStringLiteral("Map"));
        QVERIFY(m_map);
        QTRY_VERIFY_WITH_TIMEOUT(m_map->LayerCount() > 0, 20000);
        QVERIFY(m_map->width() > 200 && m_map->height() > 200);
    }

    void cleanupTestCase() { m_form.reset(); }

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

    // Runs last: the window then shows a semicolon file, with its own lists and no
    // statistics information left over from the cube file shown before.
    void anotherFileReplacesListsAndInformation()
    {
        QCOMPARE(m_form->panelText(QStringLiteral("Data")), QStringLiteral("Period=1974-78"));
        m_form->state().DataFile =
            QDir(m_dir.path()).filePath(QStringLiteral("TQ-files/world_2014.sdv"));
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
