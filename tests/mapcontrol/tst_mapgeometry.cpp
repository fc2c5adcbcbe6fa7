#include "contracts/mapclassbreaksrenderer.h"
#include "contracts/mapshape.h"

#include <QTest>

#include <cmath>

class TestMapGeometry : public QObject {
    Q_OBJECT
private slots:
    void areaAndCentroid_data();
    void areaAndCentroid();
    void pointInPolygonWithHole();
    void rectangleAndEllipse();
    void rendererClass_data();
    void rendererClass();
    void rampColors();
};

namespace {

QPolygonF ring(std::initializer_list<QPointF> pts) { return QPolygonF(pts); }
// Outer ring clockwise, hole counter-clockwise, as shapefiles write them.
const QPolygonF kOuter = ring({{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}});
const QPolygonF kHole = ring({{2, 2}, {4, 2}, {4, 4}, {2, 4}, {2, 2}});

QPolygonF shifted(QPolygonF p, double d)
{
    p.translate(d, d);
    return p;
}

QPolygonF reversed(QPolygonF p)
{
    std::reverse(p.begin(), p.end());
    return p;
}

} // namespace

void TestMapGeometry::areaAndCentroid_data()
{
    QTest::addColumn<QList<QPolygonF>>("rings");
    QTest::addColumn<double>("area");
    QTest::addColumn<double>("cx");
    QTest::addColumn<double>("cy");
    // 100 - 4 = 96; centroid (100 * 5 - 4 * 3) / 96 in both directions.
    QTest::newRow("square with hole") << QList{kOuter, kHole} << 96.0 << 488.0 / 96 << 488.0 / 96;
    QTest::newRow("orientation reversed")
        << QList{reversed(kOuter), reversed(kHole)} << 96.0 << 488.0 / 96 << 488.0 / 96;
    // Parts of 4 (centre 1, 1) and 16 (centre 12, 2): (4 + 192) / 20, (4 + 32) / 20.
    QTest::newRow("two parts")
        << QList{ring({{0, 0}, {0, 2}, {2, 2}, {2, 0}, {0, 0}}),
                 ring({{10, 0}, {10, 4}, {14, 4}, {14, 0}, {10, 0}})}
        << 20.0 << 9.8 << 1.8;
    QTest::newRow("triangle") << QList<QPolygonF>{ring({{0, 0}, {0, 3}, {6, 0}, {0, 0}})} << 9.0 << 2.0
                              << 1.0;
    QTest::newRow("far from origin")
        << QList{shifted(kOuter, 5e6), shifted(kHole, 5e6)} << 96.0 << 5e6 + 488.0 / 96
        << 5e6 + 488.0 / 96;
}

void TestMapGeometry::areaAndCentroid()
{
    QFETCH(QList<QPolygonF>, rings);
    QFETCH(double, area);
    QFETCH(double, cx);
    QFETCH(double, cy);
    const MapShape s = MapShape::Polygon(rings);
    QCOMPARE(s.ShapeType(), int(PolygonShape));
    QVERIFY2(std::abs(s.Area() - area) < 1e-6, qPrintable(QString::number(s.Area())));
    QVERIFY(std::abs(s.Centroid().X - cx) < 1e-6);
    QVERIFY(std::abs(s.Centroid().Y - cy) < 1e-6);
}

void TestMapGeometry::pointInPolygonWithHole()
{
    const MapShape s = MapShape::Polygon({kOuter, kHole});
    QVERIFY(s.Contains({1, 1}));
    QVERIFY(!s.Contains({3, 3}));  // in the hole
    QVERIFY(!s.Contains({11, 5})); // outside
    QCOMPARE(s.DistanceTo({3, 3}), 1.0);
    QCOMPARE(s.DistanceTo({13, 14}), 5.0);
}

void TestMapGeometry::rectangleAndEllipse()
{
    const MapRectangle r(10, 30, -5, 5);
    QCOMPARE(r.Width(), 20.0);
    QCOMPARE(r.Height(), 10.0);
    QCOMPARE(r.Center(), (MapPoint{20, 0}));
    QCOMPARE(r.ScaleRectangle(2.0), MapRectangle(0, 40, -10, 10));
    QCOMPARE(r.ScaleRectangle(0.5), MapRectangle(15, 25, -2.5, 2.5));
    QCOMPARE(MapShape::Rectangle(r).Area(), 200.0);
    const MapShape e = MapShape::Ellipse(r);
    QVERIFY(std::abs(e.Area() - M_PI * 10 * 5) < 1e-9);
    QCOMPARE(e.Centroid(), (MapPoint{20, 0}));
    QVERIFY(e.Contains({29, 0}));
    QVERIFY(!e.Contains({29, 4})); // inside the box, outside the ellipse
}

void TestMapGeometry::rendererClass_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("isNull");
    QTest::addColumn<int>("symbol");
    // Breaks -1, 10, 20, 30: four breaks, five symbols.
    QTest::newRow("below break 0") << -5.0 << false << 0;
    QTest::newRow("at break 0") << -1.0 << false << 0;
    QTest::newRow("just above break 0") << -0.999 << false << 1;
    QTest::newRow("just below break 1") << 9.999 << false << 1;
    QTest::newRow("at break 1") << 10.0 << false << 1;
    QTest::newRow("just above break 1") << 10.001 << false << 2;
    QTest::newRow("at break 2") << 20.0 << false << 2;
    QTest::newRow("just above break 2") << 20.001 << false << 3;
    QTest::newRow("at last break") << 30.0 << false << 3;
    QTest::newRow("above last break") << 30.001 << false << 4;
    QTest::newRow("far above") << 1e12 << false << 4;
    QTest::newRow("NULL cell") << 50.0 << true << 0;
}

void TestMapGeometry::rendererClass()
{
    QFETCH(double, value);
    QFETCH(bool, isNull);
    QFETCH(int, symbol);
    ClassBreaksRenderer r;
    r.SetBreakCount(4);
    QCOMPARE(r.SymbolCount(), 5);
    const double breaks[] = {-1, 10, 20, 30};
    for (int i = 0; i < 4; ++i)
        r.SetBreak(i, breaks[i]);
    QCOMPARE(r.SymbolIndex(value, isNull), symbol);
}

void TestMapGeometry::rampColors()
{
    ClassBreaksRenderer r;
    r.SetBreakCount(2);
    r.RampColors(7340031, 255); // (255, 255, 111) to red
    QCOMPARE(r.Symbol(0).Color, MapColor(7340031));
    QCOMPARE(r.Symbol(2).Color, MapColor(255));
    // Halfway: 255, 127.5 -> 128, 55.5 -> 56.
    QCOMPARE(r.Symbol(1).Color, MapColor(255 + 256 * 128 + 65536 * 56));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, r.Symbol(3));
}

QTEST_APPLESS_MAIN(TestMapGeometry)
#include "tst_mapgeometry.moc"
