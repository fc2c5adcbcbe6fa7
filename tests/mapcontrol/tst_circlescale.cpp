#include "platform/mapcontrol/mapwidget.h"
#include "tests/mapcontrol/shapefixture.h"

#include <shapefil.h>

#include <QApplication>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

// Circles (as a circle map draws them after its layer) in pictures at factors 1, 1.5 and 2:
// the fill colour at every centre, the outline as wide as the factor makes it in whole
// pixels, and each circle the circle of factor 1 drawn bigger and still round.
class TestCircleScale : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void circlesAtFactors_data();
    void circlesAtFactors();
    void transparentCirclesKeepTheirRing();

private:
    QImage paint(double factor, const MapSymbol &symbol);

    QTemporaryDir m_dir;
    MapWidget m_map;
    QList<MapShape> m_circles;
};

namespace {

// White ground, light blue circles, black outlines: the blue channel is 255 everywhere but
// on the outline, so 1 - blue / 255 is how much of a pixel the outline covers.
const QColor kGround(255, 255, 255);
const QColor kFill(160, 200, 255);
const QColor kOutline(0, 0, 0);
// Centres and radii (map units = pixels of the picture at factor 1).
struct Circle {
    double x, y, r;
};
constexpr Circle kCircles[] = {{60, 60, 40}, {170, 60, 25}, {250, 60, 12}, {60, 160, 6},
                               {170, 160, 30}, {260, 160, 18}};
constexpr int kWidth = 320, kHeight = 220;

double coverage(const QImage &image, QPoint p)
{
    return 1.0 - image.pixelColor(p).blue() / 255.0;
}

// The outline crossed along a line from the centre outwards: its width (the sum of what
// the outline covers).
struct Crossing {
    double width = 0.0;
};

Crossing crossing(const QImage &image, QPoint centre, QPoint step, int length)
{
    Crossing c;
    for (int k = 0; k < length; ++k) {
        const double v = coverage(image, centre + step * k);
        c.width += v;
    }
    return c;
}

// The outline in the square of the reach around a centre (device pixels): its area, the
// mean distance of what it covers from the centre and the spread of those distances.
struct Ring {
    double area = 0.0;
    double distance = 0.0;
    double spread = 0.0;
};

Ring ringAround(const QImage &image, QPointF centre, int reach)
{
    Ring ring;
    double squares = 0.0;
    const QPoint c = centre.toPoint();
    for (int y = c.y() - reach; y <= c.y() + reach; ++y)
        for (int x = c.x() - reach; x <= c.x() + reach; ++x) {
            const double v = coverage(image, {x, y});
            const double d = std::hypot(x + 0.5 - centre.x(), y + 0.5 - centre.y());
            ring.area += v;
            ring.distance += v * d;
            squares += v * d * d;
        }
    if (ring.area > 0.0) {
        ring.distance /= ring.area;
        ring.spread = std::sqrt(std::max(0.0, squares / ring.area - ring.distance * ring.distance));
    }
    return ring;
}

} // namespace

void TestCircleScale::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // One square region under the whole picture.
    const QString base = m_dir.filePath("ground");
    QVERIFY(writeShapefile(base, SHPT_POLYGON, {{squareRing(0, 0, kWidth)}}, {{"V", 'N', 4, 0}},
                           {{1.0}}));
    QString error;
    auto layer = m_map.AddShapefileLayer(base + ".shp", &error);
    QVERIFY2(layer, qPrintable(error));
    MapSymbol ground;
    ground.Color = fromQColor(kGround);
    ground.Outline = false;
    layer->Symbol() = ground;
    m_map.resize(kWidth, kHeight);
    m_map.SetExtent(MapRectangle(0, kWidth, 0, kHeight));
    QCOMPARE(m_map.FromMapPoint({0, kHeight}), QPointF(0, 0));
    for (const Circle &c : kCircles)
        m_circles << MapShape::Ellipse(
            MapRectangle(c.x - c.r, c.x + c.r, kHeight - c.y - c.r, kHeight - c.y + c.r));
}

QImage TestCircleScale::paint(double factor, const MapSymbol &symbol)
{
    QImage image(qRound(kWidth * factor), qRound(kHeight * factor), QImage::Format_RGB32);
    image.fill(Qt::red);
    const auto connection = connect(&m_map, &MapWidget::AfterLayerDraw, this,
                                    [&](int) { m_map.DrawShapes(m_circles, symbol); });
    {
        QPainter p(&image);
        m_map.PaintMap(p, factor);
    }
    disconnect(connection);
    return image;
}

void TestCircleScale::circlesAtFactors_data()
{
    QTest::addColumn<double>("factor");
    QTest::addColumn<double>("size");
    QTest::addColumn<int>("width"); // device pixels
    QTest::newRow("1, size 1") << 1.0 << 1.0 << 1;
    QTest::newRow("1.5, size 1") << 1.5 << 1.0 << 2;
    QTest::newRow("2, size 1") << 2.0 << 1.0 << 2;
    QTest::newRow("1, size 2") << 1.0 << 2.0 << 2;
    QTest::newRow("1.5, size 2") << 1.5 << 2.0 << 3;
    QTest::newRow("2, size 2") << 2.0 << 2.0 << 4;
}

void TestCircleScale::circlesAtFactors()
{
    QFETCH(double, factor);
    QFETCH(double, size);
    QFETCH(int, width);
    MapSymbol symbol;
    symbol.Color = fromQColor(kFill);
    symbol.OutlineColor = fromQColor(kOutline);
    symbol.Size = size;
    const QImage image = paint(factor, symbol);
    for (const Circle &c : kCircles) {
        const QPoint centre = (QPointF(c.x, c.y) * factor).toPoint();
        QCOMPARE(image.pixelColor(centre), kFill);
        // Across the outline left, right, up and down: as wide as expected.
        const int reach = int((c.r + 6) * factor);
        for (QPoint step : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)}) {
            const Crossing x = crossing(image, centre, step, reach);
            QVERIFY2(std::abs(x.width - width) < 0.45,
                     qPrintable(QStringLiteral("radius %1, step (%2, %3): width %4")
                                    .arg(c.r)
                                    .arg(step.x())
                                    .arg(step.y())
                                    .arg(x.width)));
        }
        // All round: the outline lies at the radius drawn bigger, as much of it as a ring of
        // that width holds, and no part of it much nearer or farther.
        const Ring ring = ringAround(image, QPointF(c.x, c.y) * factor, reach);
        const QString where = QStringLiteral("radius %1: area %2, at %3 +- %4")
                                  .arg(c.r)
                                  .arg(ring.area)
                                  .arg(ring.distance)
                                  .arg(ring.spread);
        const double expectedArea = 2.0 * M_PI * c.r * factor * width;
        // A one-pixel line is one pixel across along its main axis, so thinner on slopes (on
        // average 2 sqrt(2) / pi of a ring's area).
        const double least = width == 1 ? 0.8 : 0.94;
        QVERIFY2(ring.area > least * expectedArea && ring.area < 1.06 * expectedArea,
                 qPrintable(where));
        QVERIFY2(std::abs(ring.distance - c.r * factor) < 0.3, qPrintable(where));
        QVERIFY2(ring.spread < width / std::sqrt(12.0) + 0.25, qPrintable(where));
        // Beyond the outline the ground; the picture's own red never shows.
        QCOMPARE(image.pixelColor(centre + QPoint(reach, 0)), kGround);
    }
    QCOMPARE(image.pixelColor(0, 0), kGround);
}

void TestCircleScale::transparentCirclesKeepTheirRing()
{
    MapSymbol symbol;
    symbol.Color = fromQColor(kFill);
    symbol.Style = TransparentFill;
    symbol.OutlineColor = fromQColor(kOutline);
    for (double factor : {1.0, 1.5, 2.0}) {
        const QImage image = paint(factor, symbol);
        const int width = factor == 1.0 ? 1 : 2;
        for (const Circle &c : kCircles) {
            const QPoint centre = (QPointF(c.x, c.y) * factor).toPoint();
            QCOMPARE(image.pixelColor(centre), kGround);
            const Crossing x = crossing(image, centre, {1, 0}, int((c.r + 6) * factor));
            QVERIFY2(std::abs(x.width - width) < 0.45, qPrintable(QString::number(x.width)));
            const Ring ring = ringAround(image, QPointF(c.x, c.y) * factor, int((c.r + 6) * factor));
            QVERIFY(std::abs(ring.distance - c.r * factor) < 0.3);
        }
    }
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TestCircleScale test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_circlescale.moc"
