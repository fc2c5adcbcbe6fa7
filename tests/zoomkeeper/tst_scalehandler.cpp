#include "contracts/runtimeerror.h"
#include "platform/mapcontrol/mappainter.h"
#include "platform/mapcontrol/mapwidget.h"
#include "platform/mapcontrol/shapefilelayer.h"
#include "tests/mapcontrol/shapefixture.h"
#include "zoomkeeper/scalehandler.h"

#include <shapefil.h>

#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>

// Navigation on a real map widget (offscreen) showing a layer of 10 x 10 squares.
class TestScaleHandler : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void historyKeepsTenExtents();
    void zoomInByDraggedRectangle();
    void zoomOutDoublesAroundCentre();
    void clickWithoutDragChangesNothing();
    void panMovesAgainstTheMouse();
    void scaleNeedsAScreen();
    void screenFactors_data();
    void screenFactors();
    void setScaleGivesThatScale();
    void zoomToSelected();
    void noMapIsAFailedCall();

private:
    bool near(const MapRectangle &a, const MapRectangle &b) const;
    void drag(QPoint from, QPoint to);
    QTemporaryDir m_dir;
    MapWidget m_map;
    ScaleHandler m_handler;
    enum class Tool { ZoomIn, ZoomOut, Pan } m_tool = Tool::ZoomIn;
    MapRectangle m_start;
};

bool TestScaleHandler::near(const MapRectangle &a, const MapRectangle &b) const
{
    const double eps = 1e-6 * std::max(1.0, b.Width());
    return std::abs(a.Left - b.Left) < eps && std::abs(a.Right - b.Right) < eps &&
           std::abs(a.Bottom - b.Bottom) < eps && std::abs(a.Top - b.Top) < eps;
}

void TestScaleHandler::initTestCase()
{
    QList<QList<QPolygonF>> shapes;
    QList<QVariantList> rows;
    for (int i = 0; i < 10; ++i) {
        shapes << QList<QPolygonF>{squareRing(i * 100.0, (i % 3) * 100.0, 100)};
        rows << QVariantList{double(i)};
    }
    const QString base = m_dir.filePath("squares");
    QVERIFY(writeShapefile(base, SHPT_POLYGON, shapes, {{"V", 'N', 5, 0}}, rows));
    QVERIFY(writeShapefile(m_dir.filePath("points"), SHPT_POINT,
                           {{QPolygonF{QPointF(5, 5)}}, {QPolygonF{QPointF(50, 50)}}},
                           {{"V", 'N', 5, 0}}, {{1.0}, {2.0}}));
    QVERIFY(m_map.AddShapefileLayer(base + ".shp"));
    m_map.resize(400, 300);
    m_map.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m_map));
    m_handler.setMap(&m_map);
    connect(&m_map, &MapWidget::MouseDown, this, [this](int, int, double, double) {
        if (m_tool == Tool::ZoomIn)
            m_handler.ZoomIn();
        else if (m_tool == Tool::ZoomOut)
            m_handler.ZoomOut();
        else
            m_handler.Pan();
    });
}

void TestScaleHandler::init()
{
    m_handler = ScaleHandler();
    m_handler.setMap(&m_map);
    m_handler.SethDC(QSize(1280, 1024));
    m_map.SetExtent({0, 1000, 0, 750});
    m_start = m_map.Extent();
}

// The handler runs inside the mouse-down handler and tracks until the release, so the
// moves and the release are queued before the press.
void TestScaleHandler::drag(QPoint from, QPoint to)
{
    QTimer::singleShot(0, this, [this, from, to] {
        QTest::mouseMove(&m_map, (from + to) / 2);
        QTest::mouseMove(&m_map, to);
        QTest::mouseRelease(&m_map, Qt::LeftButton, Qt::NoModifier, to);
    });
    QTest::mousePress(&m_map, Qt::LeftButton, Qt::NoModifier, from);
}

void TestScaleHandler::historyKeepsTenExtents()
{
    QList<MapRectangle> seen;
    for (int i = 0; i < 11; ++i) {
        seen << m_map.Extent();
        float factor = 0.9f;
        m_handler.StepZoom(factor);
    }
    QCOMPARE(m_handler.NumPrevExtents(), 10);
    for (int i = 10; i >= 1; --i) {
        m_handler.PreviousExtent();
        QVERIFY(near(m_map.Extent(), seen[i]));
    }
    QCOMPARE(m_handler.NumPrevExtents(), 0);
    const MapRectangle before = m_map.Extent();
    m_handler.PreviousExtent(); // the eleventh does nothing
    QCOMPARE(m_map.Extent(), before);
}

void TestScaleHandler::zoomInByDraggedRectangle()
{
    m_tool = Tool::ZoomIn;
    drag({100, 75}, {300, 225});
    // Pixels 100..300 of 400 and 75..225 of 300 are half of the 1000 x 750 extent.
    QVERIFY(near(m_map.Extent(), {250, 750, 187.5, 562.5}));
    QCOMPARE(m_handler.NumPrevExtents(), 1);
    m_handler.PreviousExtent();
    QVERIFY(near(m_map.Extent(), m_start));
}

void TestScaleHandler::zoomOutDoublesAroundCentre()
{
    m_tool = Tool::ZoomOut;
    drag({50, 40}, {250, 140}); // half as wide as the extent
    QVERIFY(near(m_map.Extent(), m_start.ScaleRectangle(2.0)));
    QCOMPARE(m_handler.NumPrevExtents(), 1);
}

void TestScaleHandler::clickWithoutDragChangesNothing()
{
    for (Tool tool : {Tool::ZoomIn, Tool::ZoomOut}) {
        m_tool = tool;
        drag({120, 80}, {120, 80});
        QCOMPARE(m_map.Extent(), m_start);
        QCOMPARE(m_handler.NumPrevExtents(), 0);
    }
}

void TestScaleHandler::panMovesAgainstTheMouse()
{
    m_tool = Tool::Pan;
    drag({200, 150}, {300, 100}); // 100 px right, 50 px up: the view goes west and south
    QVERIFY(near(m_map.Extent(), {-250, 750, -125, 625}));
    QCOMPARE(m_handler.NumPrevExtents(), 1);
}

void TestScaleHandler::scaleNeedsAScreen()
{
    ScaleHandler fresh;
    fresh.setMap(&m_map);
    QCOMPARE(fresh.GetScale(), -1.0);
    double scale = 5000;
    QCOMPARE(fresh.SetScale(scale), m_map.Extent());
}

void TestScaleHandler::screenFactors_data()
{
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<double>("scale");
    // Control 400 x 300 px = 6000 x 4500 twips: 4.1667 x 3.125 in at factor 1, diagonal
    // 5.2083 in. Extent 1000 x 750 m = 39370 x 29527.5 in, diagonal 49212.5 in.
    QTest::newRow("1280 x 1024: factors 1, 1") << QSize(1280, 1024) << 9449.0;
    QTest::newRow("1600 x 1200: factors 2, 2") << QSize(1600, 1200) << 18898.0;
    QTest::newRow("800 x 600: factors 1, 1") << QSize(800, 600) << 9449.0;
    QTest::newRow("500 x 300: factor 0") << QSize(500, 300) << -1.0;
}

void TestScaleHandler::screenFactors()
{
    QFETCH(QSize, screen);
    QFETCH(double, scale);
    m_handler.SethDC(screen);
    QCOMPARE(m_handler.GetScale(), scale);
}

void TestScaleHandler::setScaleGivesThatScale()
{
    double wanted = 20000;
    const MapRectangle r = m_handler.SetScale(wanted);
    QCOMPARE(m_handler.NumPrevExtents(), 1); // pushed, extent not changed
    QCOMPARE(m_map.Extent(), m_start);
    m_map.SetExtent(r);
    QCOMPARE(m_handler.GetScale(), 20000.0);
    QVERIFY(std::abs(m_map.Extent().Center().X - m_start.Center().X) < 1e-6);
}

void TestScaleHandler::zoomToSelected()
{
    auto layer = m_map.Layer(0);
    auto some = layer->SearchExpression("V > 6");
    QVERIFY(m_handler.ZoomToSelected(some.get()));
    // Squares 7, 8, 9: x 700..1000, y 0..300 (rows 1, 2, 0), no margin.
    QVERIFY(near(m_map.Extent(), MapPainter::fitExtent({700, 1000, 0, 300}, m_map.size())));
    QCOMPARE(m_handler.NumPrevExtents(), 1);

    QVERIFY(!m_handler.ZoomToSelected(layer->SearchExpression("V > 100").get()));
    QVERIFY(!m_handler.ZoomToSelected(nullptr));
    auto points = ShapefileLayer::open(m_dir.filePath("points.shp"), nullptr);
    const MapRectangle before = m_map.Extent();
    QVERIFY(!m_handler.ZoomToSelected(points->SearchExpression("Featureid > -1").get()));
    QCOMPARE(m_map.Extent(), before);
    QCOMPARE(m_handler.NumPrevExtents(), 1);
}

void TestScaleHandler::noMapIsAFailedCall()
{
    ScaleHandler none;
    QVERIFY_THROWS_EXCEPTION(RunTimeError, none.ZoomIn());
    QVERIFY_THROWS_EXCEPTION(RunTimeError, none.FullExtent());
    QVERIFY_THROWS_EXCEPTION(RunTimeError, none.PreviousExtent());
    QCOMPARE(none.GetScale(), -1.0);
}

QTEST_MAIN(TestScaleHandler)
#include "tst_scalehandler.moc"
