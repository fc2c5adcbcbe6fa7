#include "squarelayer.h"

#include "app/mapdefs/creadmapfile.h"
#include "app/output/pictures.h"
#include "app/view/cdrawsymbol.h"
#include "app/files/viewstate.h"
#include "platform/mapcontrol/mapwidget.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

using Values = QList<std::optional<double>>;

// Circle areas as the circle formula computes them (with 3.14).
double circleArea(const MapShape &circle)
{
    const double r = circle.Extent().Width() / 2.0;
    return 3.14 * r * r;
}

constexpr MapColor Yellow = 0x00FFFF; // red 255, green 255, blue 0

} // namespace

class TestCDrawSymbol : public QObject {
    Q_OBJECT

private slots:
    void init();
    void circleAreas_data();
    void circleAreas();
    void percentageCoversShareOfArea();
    void doubledPercentageWidensRadiiBySqrt2();
    void valuesSummingToZeroGiveNoCircles();
    void centresAreRoundedToWholeUnits();
    void centresInDegreesStayExact();
    void noSelectionGivesNoDrawer();
    void minimumSize_data();
    void minimumSize();
    void smallCirclesAreDrawnOverLargeOnes();

private:
    // Loads the squares into the map as the thematic layer and prepares the circles.
    bool prepare(const QList<Square> &squares, int percent, std::int32_t nullValue = -1000);
    QList<Square> row(const Values &values, double side = 10.0) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<MapWidget> m_map;
    std::unique_ptr<CReadMapFile> m_mapFile;
    std::unique_ptr<ViewValues> m_values;
};

void TestCDrawSymbol::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    const QString ini = m_dir->filePath(QStringLiteral("TEST.INI"));
    QFile file(ini);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[MAPS]\r\nNumMaps=1\r\n1=squares.shp\r\n\r\n[FIELDS1]\r\nKeyField=KEY\r\n"
               "KeyPField=REGION\r\nNameField=KEY\r\nNamePField=Name\r\nStatPField=Value\r\n");
    file.close();
    m_mapFile = std::make_unique<CReadMapFile>();
    m_mapFile->IniFile = ini;
    m_map = std::make_unique<MapWidget>();
    m_map->resize(200, 200);
    m_values = std::make_unique<ViewValues>();
}

QList<Square> TestCDrawSymbol::row(const Values &values, double side) const
{
    QList<Square> squares;
    for (qsizetype i = 0; i < values.size(); ++i)
        squares.append({QString::number(i), i * side, 0.0, side, values.at(i)});
    return squares;
}

bool TestCDrawSymbol::prepare(const QList<Square> &squares, int percent, std::int32_t nullValue)
{
    const QString shp = writeSquareLayer(m_dir->path(), QStringLiteral("squares"), squares);
    m_map->ClearLayers();
    if (shp.isEmpty() || !m_map->AddShapefileLayer(shp))
        return false;
    m_map->SetExtent(m_map->FullExtent());
    m_values->ThematicLayer = m_map->LayerCount() - 1;
    m_values->NullValue = nullValue;
    return PrepareSymbols(*m_values, percent, 1, *m_map, *m_mapFile);
}

void TestCDrawSymbol::circleAreas_data()
{
    QTest::addColumn<Values>("values");
    QTest::addColumn<int>("percent");
    QTest::addColumn<QList<double>>("areas");

    // Two squares of 100: total 50, factor 10 * 200 / 50 / 100 = 0.4.
    QTest::newRow("10 and 40 give areas 1 : 4") << Values{10.0, 40.0} << 10
                                                << QList<double>{16.0, 4.0};
    QTest::newRow("percentage 25") << Values{10.0, 40.0} << 25 << QList<double>{40.0, 10.0};
    // Regions without data and values at the null value get no circle.
    QTest::newRow("null cells left out") << Values{10.0, std::nullopt, 40.0, -1000.0} << 10
                                         << QList<double>{16.0, 4.0};
    // A value below 0 gets no circle (an area cannot be negative): 0 and 4 remain, on two
    // squares of 100 with the total 4, factor 10 * 200 / 4 / 100 = 5.
    QTest::newRow("negative values get no circle") << Values{-6.0, -3.0, 0.0, 4.0} << 10
                                                   << QList<double>{20.0, 0.0};
    QTest::newRow("zero among positives has area 0") << Values{0.0, 5.0} << 10
                                                     << QList<double>{20.0, 0.0};
}

void TestCDrawSymbol::circleAreas()
{
    QFETCH(Values, values);
    QFETCH(int, percent);
    QFETCH(QList<double>, areas);
    QVERIFY(prepare(row(values), percent));
    const QList<MapShape> &circles = m_values->SymbolDrawer->Shapes();
    QCOMPARE(circles.size(), areas.size());
    for (qsizetype i = 0; i < circles.size(); ++i) {
        QCOMPARE(circles.at(i).ShapeType(), int(EllipseShape));
        QVERIFY2(std::fabs(circleArea(circles.at(i)) - areas.at(i)) < 1e-9,
                 qPrintable(QStringLiteral("circle %1: %2 instead of %3")
                                .arg(i)
                                .arg(circleArea(circles.at(i)))
                                .arg(areas.at(i))));
    }
}

void TestCDrawSymbol::percentageCoversShareOfArea()
{
    // Squares of different sizes and values: the circles cover 10 % of the regions' area.
    QList<Square> squares{{"a", 0, 0, 10, 3.0}, {"b", 20, 0, 30, 17.5}, {"c", 60, 0, 5, 120.0}};
    QVERIFY(prepare(squares, 10));
    double sum = 0.0;
    for (const MapShape &c : m_values->SymbolDrawer->Shapes())
        sum += circleArea(c);
    QVERIFY(std::fabs(sum - 0.10 * (100 + 900 + 25)) < 1e-9);
}

void TestCDrawSymbol::doubledPercentageWidensRadiiBySqrt2()
{
    const QList<Square> squares = row({7.0, 70.0, 700.0});
    QVERIFY(prepare(squares, 10));
    const QList<MapShape> at10 = m_values->SymbolDrawer->Shapes();
    QVERIFY(prepare(squares, 20));
    const QList<MapShape> at20 = m_values->SymbolDrawer->Shapes();
    QCOMPARE(at20.size(), 3);
    for (int i = 0; i < 3; ++i)
        QVERIFY(std::fabs(at20[i].Extent().Width() / at10[i].Extent().Width() - std::sqrt(2.0))
                < 1e-12);
    QCOMPARE(m_values->SymbolDrawer->CirclePercent, std::int16_t(20));
}

void TestCDrawSymbol::valuesSummingToZeroGiveNoCircles()
{
    // The drawer exists (the map stays a circle map) but has nothing to draw.
    QVERIFY(prepare(row({0.0, 0.0}), 10));
    QVERIFY(m_values->SymbolDrawer);
    QVERIFY(m_values->SymbolDrawer->Shapes().isEmpty());
    bool ok = false;
    m_values->SymbolDrawer->Calculate(QStringLiteral("STAT"), ok);
    QVERIFY(!ok);
    QCOMPARE(m_values->SymbolDrawer->LargestDiameter(), 0.0);
}

void TestCDrawSymbol::centresAreRoundedToWholeUnits()
{
    // A projected map (the regions span 2000 units): centres 1.0, 2.5 and 3.5 (x) and 0.5
    // (y) are rounded to whole units, halves to the even neighbour.
    QList<Square> squares{{"a", 0.5, 0, 1, 1.0}, {"b", 2, 0, 1, 2.0}, {"c", 3, 0, 1, 3.0},
                          {"wide", 0, 10, 2000, 0.5}};
    QVERIFY(prepare(squares, 10));
    const QList<MapShape> &circles = m_values->SymbolDrawer->Shapes();
    QCOMPARE(circles.size(), 4);
    QCOMPARE(circles[0].Extent().Center(), (MapPoint{4.0, 0.0}));
    QCOMPARE(circles[1].Extent().Center(), (MapPoint{2.0, 0.0}));
    QCOMPARE(circles[2].Extent().Center(), (MapPoint{1.0, 0.0}));
    QCOMPARE(circles[3].Extent().Center(), (MapPoint{1000.0, 1010.0}));
}

void TestCDrawSymbol::centresInDegreesStayExact()
{
    // A map in degrees spans a few units: rounding would put neighbouring regions' circles
    // on the same point, so the centres are the regions' centroids.
    QList<Square> squares{{"a", 0.5, 0, 1, 1.0}, {"b", 2, 0, 1, 2.0}, {"c", 3.2, 0.1, 0.6, 3.0}};
    QVERIFY(prepare(squares, 10));
    const QList<MapShape> &circles = m_values->SymbolDrawer->Shapes();
    QCOMPARE(circles.size(), 3);
    QVERIFY(std::fabs(circles[0].Extent().Center().X - 3.5) < 1e-9);
    QVERIFY(std::fabs(circles[0].Extent().Center().Y - 0.4) < 1e-9);
    QVERIFY(std::fabs(circles[1].Extent().Center().X - 2.5) < 1e-9);
    QVERIFY(std::fabs(circles[2].Extent().Center().X - 1.0) < 1e-9);
}

void TestCDrawSymbol::noSelectionGivesNoDrawer()
{
    QVERIFY(prepare(row({1.0, 2.0}), 10));
    QVERIFY(m_values->SymbolDrawer);
    // A thematic layer index without a layer gives no selection: no drawer, not a circle map.
    m_values->ThematicLayer = 5;
    QVERIFY(!PrepareSymbols(*m_values, 10, 1, *m_map, *m_mapFile));
    QVERIFY(!m_values->SymbolDrawer);
}

void TestCDrawSymbol::minimumSize_data()
{
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("scale");
    QTest::addColumn<double>("drawn");
    QTest::newRow("small circle at 1:5000 is 5 units") << 2.0 << 5000.0 << 5.0;
    QTest::newRow("large circle unchanged") << 10.0 << 5000.0 << 10.0;
    QTest::newRow("width 0 draws nothing visible") << 0.0 << 5000.0 << 0.0;
    QTest::newRow("no scale, no minimum") << 0.5 << -1.0 << 0.5;
}

void TestCDrawSymbol::minimumSize()
{
    QFETCH(double, width);
    QFETCH(double, scale);
    QFETCH(double, drawn);
    const MapShape circle = MapShape::Ellipse(MapRectangle(10, 10 + width, 20, 20 + width));
    const MapShape result = CDrawSymbol::DrawnCircle(circle, scale);
    QCOMPARE(result.Extent().Width(), drawn);
    QCOMPARE(result.Extent().Height(), drawn);
    QCOMPARE(result.Extent().Center(), circle.Extent().Center());
}

void TestCDrawSymbol::smallCirclesAreDrawnOverLargeOnes()
{
    // A small region inside a large one: both circles share the centre (50, 50). Drawn
    // largest first, the small circle's outline shows inside the large circle's fill.
    QList<Square> squares{{"big", 0, 0, 100, 100.0}, {"small", 45, 45, 10, 30.0}};
    QVERIFY(prepare(squares, 30));
    m_map->SetExtent(MapRectangle(0, 100, 0, 100));
    CDrawSymbol *drawer = m_values->SymbolDrawer.get();
    QVERIFY(drawer->Shapes()[0].Extent().Width() > drawer->Shapes()[1].Extent().Width());
    connect(m_map.get(), &MapWidget::AfterLayerDraw, this,
            [&](int index) { DrawSymbolsAfterLayer(index, drawer, true, 0.0, Yellow); });
    const QImage image = MapImage(*m_map, 1.0);

    const MapRectangle small = drawer->Shapes()[1].Extent();
    const QPointF centre = m_map->FromMapPoint(small.Center());
    const QPointF edge = m_map->FromMapPoint({small.Right, small.Center().Y});
    QCOMPARE(image.pixelColor(centre.toPoint()), QColor(Qt::yellow));
    int darkest = 255;
    for (int x = int(centre.x()) + 1; x <= int(edge.x()) + 2; ++x)
        darkest = std::min(darkest, qGray(image.pixel(x, int(centre.y()))));
    QVERIFY2(darkest < 128, "the small circle's outline is hidden under the large circle");
}

QTEST_MAIN(TestCDrawSymbol)
#include "tst_cdrawsymbol.moc"
