#include "platform/mapcontrol/mapwidget.h"
#include "tests/mapcontrol/shapefixture.h"

#include <shapefil.h>

#include <QApplication>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

// The map drawn at other sizes (exports at a factor, a screen of two device pixels per pixel)
// against the map at its own size: the same class colour inside every region, outlines
// present and as wide as the factor makes them, crisp, and no background between neighbours.
//
// Runs with QT_SCALE_FACTOR=2 (set in main), so that the widget is on a screen of device pixel
// ratio 2; pictures painted with PaintMap onto images do not depend on it.
class TestMapScale : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void sameColourAtEveryCentroid_data();
    void sameColourAtEveryCentroid();
    void noBackgroundBetweenNeighbours_data();
    void noBackgroundBetweenNeighbours();
    void outlinesOfExpectedWidth_data();
    void outlinesOfExpectedWidth();
    void widgetAtPixelRatioTwoIsThePictureAtFactorTwo();
    void redrawsAtPixelRatioTwoLeaveNoTrace();

private:
    void useLayer(const QString &base, bool outline, double size);
    QImage paint(double factor, double offset = 0.0);
    QColor classColour(int record) const;

    QTemporaryDir m_dir;
    MapWidget m_map;
    std::shared_ptr<MapLayer> m_layer;
    std::shared_ptr<ClassBreaksRenderer> m_renderer;
};

namespace {

constexpr int kCols = 10, kRows = 8;
constexpr double kCell = 1000.0;
const QColor kBackground(0, 0, 255); // bluer than any class colour or the outline
constexpr MapColor kOutline = 0x202020;

// Corners shifted the same way for every cell that shares them, and five segments per side:
// neighbours share their edges exactly, and the edges are not axis-parallel.
QPointF corner(int i, int j)
{
    const quint32 h = quint32(i) * 73856093u ^ quint32(j) * 19349663u;
    return {i * kCell + double(h % 300) - 150.0, j * kCell + double((h / 300) % 300) - 150.0};
}

QPolygonF jitteredCell(int i, int j)
{
    const QPointF c[4] = {corner(i, j), corner(i, j + 1), corner(i + 1, j + 1), corner(i + 1, j)};
    QPolygonF ring;
    for (int s = 0; s < 4; ++s)
        for (int k = 0; k < 5; ++k)
            ring << c[s] + (c[(s + 1) % 4] - c[s]) * (k / 5.0);
    ring << ring.first();
    return ring;
}

bool writeGrid(const QString &base, bool jittered)
{
    QList<QList<QPolygonF>> shapes;
    QList<QVariantList> rows;
    for (int j = 0; j < kRows; ++j)
        for (int i = 0; i < kCols; ++i) {
            shapes << QList<QPolygonF>{jittered ? jitteredCell(i, j)
                                                : squareRing(i * kCell, j * kCell, kCell)};
            rows << QVariantList{double((i * 7 + j * 3) % 5 * 100 + 50)};
        }
    return writeShapefile(base, SHPT_POLYGON, shapes, {{"V", 'N', 8, 1}}, rows);
}

// Lengths of the runs of the colour along a line of pixels, leaving out runs that touch
// either end.
QList<int> runs(const QImage &image, QPoint from, QPoint step, int count, const QColor &colour)
{
    QList<int> lengths;
    int run = 0;
    bool open = true; // a run that started at the first pixel is not counted
    for (int n = 0; n < count; ++n, from += step) {
        if (image.pixelColor(from) == colour) {
            ++run;
            continue;
        }
        if (run > 0 && !open)
            lengths << run;
        run = 0;
        open = false;
    }
    return lengths;
}

} // namespace

void TestMapScale::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(writeGrid(m_dir.filePath("jittered"), true));
    QVERIFY(writeGrid(m_dir.filePath("squares"), false));
    m_map.resize(400, 300);
    m_map.setBackground(kBackground);
    QCOMPARE(m_map.devicePixelRatioF(), 2.0);
}

void TestMapScale::useLayer(const QString &base, bool outline, double size)
{
    m_map.ClearLayers();
    QString error;
    m_layer = m_map.AddShapefileLayer(m_dir.filePath(base + ".shp"), &error);
    QVERIFY2(m_layer, qPrintable(error));
    m_renderer = std::make_shared<ClassBreaksRenderer>();
    m_renderer->SetField("V");
    m_renderer->SetBreakCount(5);
    for (int i = 0; i < 5; ++i)
        m_renderer->SetBreak(i, i * 100.0);
    m_renderer->RampColors(7340031, 255);
    for (int i = 0; i < m_renderer->SymbolCount(); ++i) {
        m_renderer->Symbol(i).Outline = outline;
        m_renderer->Symbol(i).OutlineColor = kOutline;
        m_renderer->Symbol(i).Size = size;
    }
    m_layer->SetRenderer(m_renderer);
}

// The map at the factor, moved by the offset (device pixels) as a part of a larger sheet is.
QImage TestMapScale::paint(double factor, double offset)
{
    QImage image(qRound(m_map.width() * factor), qRound(m_map.height() * factor),
                 QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter p(&image);
    p.translate(offset, offset);
    m_map.PaintMap(p, factor);
    return image;
}

QColor TestMapScale::classColour(int record) const
{
    const int cls = m_renderer->SymbolIndex(m_layer->FieldValue(record, "V").toDouble());
    return toQColor(m_renderer->Symbol(cls).Color);
}

void TestMapScale::sameColourAtEveryCentroid_data()
{
    QTest::addColumn<double>("factor");
    QTest::addColumn<bool>("outline");
    QTest::newRow("1.5, outlined") << 1.5 << true;
    QTest::newRow("1.2, outlined") << 1.2 << true;
    QTest::newRow("2, outlined") << 2.0 << true;
    QTest::newRow("1.5, without outlines") << 1.5 << false;
}

void TestMapScale::sameColourAtEveryCentroid()
{
    QFETCH(double, factor);
    QFETCH(bool, outline);
    useLayer("jittered", outline, 1.0);
    const QImage own = paint(1.0);
    const QImage bigger = paint(factor);
    QCOMPARE(bigger.size(), QSize(qRound(400 * factor), qRound(300 * factor)));
    QCOMPARE(m_layer->RecordCount(), kCols * kRows);
    for (int r = 0; r < m_layer->RecordCount(); ++r) {
        const QPointF c = m_map.FromMapPoint(m_layer->RecordShape(r).Centroid());
        const QColor want = classColour(r);
        QCOMPARE(own.pixelColor(c.toPoint()), want);
        QCOMPARE(bigger.pixelColor((c * factor).toPoint()), want);
    }
}

void TestMapScale::noBackgroundBetweenNeighbours_data()
{
    QTest::addColumn<double>("factor");
    QTest::addColumn<bool>("outline");
    for (double f : {1.0, 1.5, 2.0})
        for (bool outline : {true, false})
            QTest::addRow("%g, %s", f, outline ? "outlined" : "without outlines") << f << outline;
}

void TestMapScale::noBackgroundBetweenNeighbours()
{
    QFETCH(double, factor);
    QFETCH(bool, outline);
    useLayer("jittered", outline, 1.0);
    const QImage image = paint(factor);
    // Inside the grid, beyond the reach of its jittered outer corners, every pixel is a class
    // colour, the outline or a blend of them: none has the blue of the background.
    const QPointF a = m_map.FromMapPoint({300.0, kRows * kCell - 300.0}) * factor;
    const QPointF b = m_map.FromMapPoint({kCols * kCell - 300.0, 300.0}) * factor;
    int checked = 0;
    for (int y = int(a.y()); y < int(b.y()); ++y)
        for (int x = int(a.x()); x < int(b.x()); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.blue() > 0x70)
                QFAIL(qPrintable(QStringLiteral("background at %1, %2: %3")
                                     .arg(x)
                                     .arg(y)
                                     .arg(c.name())));
            ++checked;
        }
    QVERIFY(checked > 80000 * factor * factor);
}

void TestMapScale::outlinesOfExpectedWidth_data()
{
    QTest::addColumn<double>("factor");
    QTest::addColumn<double>("size");
    QTest::addColumn<double>("offset");
    QTest::addColumn<int>("width"); // device pixels
    QTest::newRow("1, size 1") << 1.0 << 1.0 << 0.0 << 1;
    QTest::newRow("1.2, size 1") << 1.2 << 1.0 << 0.0 << 1;
    QTest::newRow("1.5, size 1") << 1.5 << 1.0 << 0.0 << 2;
    QTest::newRow("2, size 1") << 2.0 << 1.0 << 0.0 << 2;
    QTest::newRow("1, size 2") << 1.0 << 2.0 << 0.0 << 2;
    QTest::newRow("1.5, size 2") << 1.5 << 2.0 << 0.0 << 3;
    QTest::newRow("3, size 1") << 3.0 << 1.0 << 0.0 << 3;
    QTest::newRow("1.5, size 1, moved by a part of a pixel") << 1.5 << 1.0 << 0.4 << 2;
}

void TestMapScale::outlinesOfExpectedWidth()
{
    QFETCH(double, factor);
    QFETCH(double, size);
    QFETCH(double, offset);
    QFETCH(int, width);
    useLayer("squares", true, size);
    const QImage image = paint(factor, offset);
    const QColor outline = toQColor(kOutline);
    // Across the middle of each row of squares, and down the middle of each column: one run
    // of outline pixels per inner edge, each exactly as wide as expected (crisp: no pixel of
    // a blended colour beside it).
    for (int j = 0; j < kRows; ++j) {
        const QPoint from = (m_map.FromMapPoint({kCell / 2, (j + 0.5) * kCell}) * factor).toPoint();
        const QList<int> across =
            runs(image, from, {1, 0}, qRound((kCols - 1) * kCell / m_map.Extent().Width() *
                                              400 * factor),
                 outline);
        QCOMPARE(across, QList<int>(kCols - 1, width));
    }
    for (int i = 0; i < kCols; ++i) {
        const QPoint from =
            (m_map.FromMapPoint({(i + 0.5) * kCell, kRows * kCell - kCell / 2}) * factor).toPoint();
        const QList<int> down =
            runs(image, from, {0, 1}, qRound((kRows - 1) * kCell / m_map.Extent().Width() *
                                              400 * factor),
                 outline);
        QCOMPARE(down, QList<int>(kRows - 1, width));
    }
    // Beside every outline run the pixels are fill colours: no antialiased fringe.
    const QPoint mid = (m_map.FromMapPoint({kCell, kCell / 2}) * factor).toPoint();
    for (int dx = -3 - width; dx <= 3 + width; ++dx) {
        const QColor c = image.pixelColor(mid + QPoint(dx, 0));
        QVERIFY2(c == outline || c == classColour(0) || c == classColour(1),
                 qPrintable(c.name()));
    }
}

// On a screen of two device pixels per pixel the window shows the picture at factor 2.
void TestMapScale::widgetAtPixelRatioTwoIsThePictureAtFactorTwo()
{
    useLayer("jittered", true, 1.0);
    const QImage shown = m_map.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QImage picture = paint(2.0);
    QCOMPARE(shown.size(), picture.size());
    picture.setDevicePixelRatio(shown.devicePixelRatio());
    QVERIFY(shown == picture);
}

// The window keeps its picture and outline image from one redraw to the next: zoomed in,
// out past the regions' edges (outlines on part of the window only), with outlines twice as
// wide and back, every redraw is still exactly the picture at factor 2.
void TestMapScale::redrawsAtPixelRatioTwoLeaveNoTrace()
{
    useLayer("jittered", true, 1.0);
    const MapRectangle whole = m_layer->Extent();
    const MapRectangle views[] = {whole.ScaleRectangle(0.3), whole.ScaleRectangle(2.5),
                                  MapRectangle(whole.Left - 4000, whole.Left + 2000,
                                               whole.Top - 2500, whole.Top + 1500),
                                  whole, whole.ScaleRectangle(0.5)};
    int step = 0;
    for (const MapRectangle &view : views) {
        m_map.SetExtent(view);
        if (step == 3)
            for (int i = 0; i < m_renderer->SymbolCount(); ++i)
                m_renderer->Symbol(i).Size = 2.0;
        const QImage shown = m_map.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QImage picture = paint(2.0);
        picture.setDevicePixelRatio(shown.devicePixelRatio());
        QVERIFY2(shown == picture, qPrintable(QString::number(step)));
        ++step;
    }
}

int main(int argc, char **argv)
{
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    TestMapScale test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mapscale.moc"
