#include "platform/mapcontrol/mapwidget.h"

#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

// Draws the sample census tracts by a five-class renderer and checks what a person would see.
class TestMapRender : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void regionsHaveTheirClassColours();
    void backgroundOutsideRegions();
    void afterLayerDrawOrderAndDrawShape();
    void drawShapesAsDrawShapeEach();
    void bitmapExportIsTheSamePicture();
    void printsToPdf();
    void extentRoundTrip_data();
    void extentRoundTrip();

private:
    QImage paint(double factor = 1.0);
    QColor classColour(int record) const;
    QList<std::pair<int, QPointF>> interiorRegions() const;
    MapWidget m_map;
    std::shared_ptr<MapLayer> m_layer;
    std::shared_ptr<ClassBreaksRenderer> m_renderer;
};

void TestMapRender::initTestCase()
{
    m_map.resize(800, 600);
    QString error;
    m_layer = m_map.AddShapefileLayer(qEnvironmentVariable("CHOREL_SAMPLES") +
                                          "/Maps/ny8_tracts.shp", &error);
    QVERIFY2(m_layer, qPrintable(error));
    m_renderer = std::make_shared<ClassBreaksRenderer>();
    m_renderer->SetField("POP8");
    m_renderer->SetBreakCount(5);
    const double breaks[] = {0, 2000, 3000, 4000, 5000};
    for (int i = 0; i < 5; ++i)
        m_renderer->SetBreak(i, breaks[i]);
    m_renderer->RampColors(7340031, 255);
    for (int i = 0; i < m_renderer->SymbolCount(); ++i)
        m_renderer->Symbol(i).OutlineColor = 8421504;
    m_layer->SetRenderer(m_renderer);
}

QImage TestMapRender::paint(double factor)
{
    QImage image(m_map.size() * factor, QImage::Format_RGB32);
    QPainter p(&image);
    m_map.PaintMap(p, factor);
    return image;
}

void TestMapRender::regionsHaveTheirClassColours()
{
    const QImage image = paint();
    const auto regions = interiorRegions();
    for (const auto &[record, px] : regions)
        QCOMPARE(image.pixelColor(px.toPoint()), classColour(record));
    QVERIFY2(regions.size() >= 20, qPrintable(QString::number(regions.size())));
}

QColor TestMapRender::classColour(int record) const
{
    const int cls = m_renderer->SymbolIndex(m_layer->FieldValue(record, "POP8").toDouble());
    return toQColor(m_renderer->Symbol(cls).Color);
}

// Regions large on screen whose centroid lies well inside them (then the centroid pixel is
// away from every outline), with the centroid's position in the widget.
QList<std::pair<int, QPointF>> TestMapRender::interiorRegions() const
{
    QList<std::pair<int, QPointF>> regions;
    for (int r = 0; r < m_layer->RecordCount(); ++r) {
        const MapShape shape = m_layer->RecordShape(r);
        const MapPoint c = shape.Centroid();
        const MapRectangle e = shape.Extent();
        const QPointF a = m_map.FromMapPoint({e.Left, e.Top});
        const QPointF b = m_map.FromMapPoint({e.Right, e.Bottom});
        if (b.x() - a.x() < 40 || b.y() - a.y() < 40 || !shape.Contains(c))
            continue;
        const double k = m_map.Extent().Width() / m_map.width();
        if (shape.Contains({c.X + 4 * k, c.Y}) + shape.Contains({c.X - 4 * k, c.Y}) +
                shape.Contains({c.X, c.Y + 4 * k}) + shape.Contains({c.X, c.Y - 4 * k}) < 4)
            continue;
        regions.append({r, m_map.FromMapPoint(c)});
    }
    return regions;
}

void TestMapRender::backgroundOutsideRegions()
{
    const QImage image = paint();
    int checked = 0;
    for (int y = 2; y < image.height(); y += 37)
        for (int x = 2; x < image.width(); x += 41) {
            const MapPoint p = m_map.ToMapPoint(x, y);
            const double k = m_map.Extent().Width() / m_map.width();
            if (!m_layer->SearchByDistance(p, 3 * k)->AtEnd())
                continue;
            QCOMPARE(image.pixelColor(x, y), QColor(Qt::white));
            ++checked;
        }
    QVERIFY(checked > 50);
}

void TestMapRender::afterLayerDrawOrderAndDrawShape()
{
    MapWidget map;
    map.resize(300, 200);
    map.AddLayer(m_layer);
    QVERIFY(map.AddShapefileLayer(m_layer->FileName()));
    map.Layer(0)->SetVisible(false);
    QList<int> order;
    const MapPoint centre = map.Extent().Center();
    const double radius = map.Extent().Width() / 20;
    connect(&map, &MapWidget::AfterLayerDraw, this, [&](int index) {
        order << index;
        if (index != 0)
            return;
        MapSymbol symbol;
        symbol.Color = 0x00FF00; // green: red 0, green 255
        map.DrawShape(MapShape::Ellipse({centre.X - radius, centre.X + radius,
                                         centre.Y - radius, centre.Y + radius}),
                      symbol);
    });
    QImage image(map.size(), QImage::Format_RGB32);
    QPainter p(&image);
    map.PaintMap(p, 1.0);
    p.end();
    QCOMPARE(order, QList<int>({1, 0}));
    QCOMPARE(image.pixelColor(map.FromMapPoint(centre).toPoint()), QColor(0, 255, 0));
    map.DrawShape(MapShape::Point(centre), MapSymbol()); // outside painting: nothing happens
}

// Many shapes drawn in one call make the same picture as drawn one by one, also when lines
// and markers (which set their own pen and brush) come between the areas.
void TestMapRender::drawShapesAsDrawShapeEach()
{
    MapWidget map;
    map.resize(300, 200);
    map.AddLayer(m_layer);
    const MapRectangle e = map.Extent();
    const double w = e.Width() / 10, x = e.Left, y = e.Bottom + e.Height() / 2;
    const QList<MapShape> shapes{
        MapShape::Ellipse({x + w, x + 2 * w, y, y + w}),
        MapShape::Line({QPolygonF({QPointF(x, y), QPointF(x + 9 * w, y + w)})}),
        MapShape::Ellipse({x + 3 * w, x + 4.5 * w, y - w, y + w}),
        MapShape::Point({x + 5 * w, y}),
        MapShape::Polygon({QPolygonF({QPointF(x + 6 * w, y), QPointF(x + 7 * w, y + w),
                                      QPointF(x + 8 * w, y)})}),
        MapShape(),
        MapShape::Rectangle({x + 8 * w, x + 9 * w, y - w, y})};
    MapSymbol symbol;
    symbol.Color = 0x3366CC;
    symbol.Size = 2;
    symbol.OutlineColor = 0x0000FF;
    bool batch = false;
    connect(&map, &MapWidget::AfterLayerDraw, this, [&](int) {
        if (batch)
            map.DrawShapes(shapes, symbol);
        else
            for (const MapShape &shape : shapes)
                map.DrawShape(shape, symbol);
    });
    QImage each(map.size(), QImage::Format_RGB32);
    QImage together(map.size(), QImage::Format_RGB32);
    {
        QPainter p(&each);
        map.PaintMap(p, 1.0);
    }
    batch = true;
    {
        QPainter p(&together);
        map.PaintMap(p, 1.0);
    }
    QCOMPARE(together, each);
    QCOMPARE(together.pixelColor(map.FromMapPoint({x + 3.75 * w, y - w / 2}).toPoint()),
             toQColor(symbol.Color));
}

void TestMapRender::bitmapExportIsTheSamePicture()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("map.bmp");
    QVERIFY2(m_map.ExportMap(MapExportType::Bitmap, path, 1.5), qPrintable(m_map.LastError()));
    const QImage read(path);
    QCOMPARE(read.size(), QSize(1200, 900));
    QCOMPARE(read.convertToFormat(QImage::Format_RGB32), paint(1.5));
    QVERIFY(!m_map.ExportMap(MapExportType::Bitmap, dir.filePath("no/such/folder.bmp"), 1.0));
    QVERIFY(!m_map.LastError().isEmpty());
    QVERIFY(!m_map.ExportMap(MapExportType::Metafile, path, 1.0));
}

// Printing needs no printer: a PDF printer receives the same picture, fitted to the page.
void TestMapRender::printsToPdf()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("map.pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    QVERIFY2(m_map.PrintMap(printer, "Census tracts", true), qPrintable(m_map.LastError()));
    QCOMPARE(printer.pageLayout().orientation(), QPageLayout::Landscape);
    QCOMPARE(printer.docName(), QString("Census tracts"));
    QFile pdf(path);
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    const QByteArray bytes = pdf.readAll();
    QVERIFY(bytes.startsWith("%PDF"));
    QVERIFY2(bytes.size() > 20000, "the page holds the regions, not an empty sheet");
    // The page drawn again (at 150 dots an inch): the map fitted into the printable area and
    // centred, each region in its class colour.
    constexpr int kDpi = 150;
    QProcess pdftoppm;
    pdftoppm.start("pdftoppm", {"-r", QString::number(kDpi), "-png", "-singlefile", path,
                                dir.filePath("page")});
    QVERIFY(pdftoppm.waitForFinished(60000) && pdftoppm.exitCode() == 0);
    const QImage page(dir.filePath("page.png"));
    QVERIFY(!page.isNull());
    const double toPage = double(kDpi) / printer.resolution();
    const QRectF area = printer.pageLayout().paintRectPixels(printer.resolution());
    const double s = std::min(area.width() / m_map.width(), area.height() / m_map.height());
    const QPointF origin(std::round((area.width() - qRound(m_map.width() * s)) / 2.0),
                         std::round((area.height() - qRound(m_map.height() * s)) / 2.0));
    const auto regions = interiorRegions();
    for (const auto &[record, px] : regions) {
        const QPointF at = (area.topLeft() + origin + px * s) * toPage;
        QCOMPARE(page.pixelColor(at.toPoint()), classColour(record));
    }
    QVERIFY(regions.size() >= 20);
}

void TestMapRender::extentRoundTrip_data()
{
    QTest::addColumn<MapRectangle>("asked");
    QTest::newRow("wide") << MapRectangle(0, 4000, 0, 1000);
    QTest::newRow("tall") << MapRectangle(100, 200, 50, 1050);
    QTest::newRow("same aspect") << MapRectangle(-400, 400, -300, 300);
    QTest::newRow("sides swapped") << MapRectangle(400, -400, 300, -300);
}

void TestMapRender::extentRoundTrip()
{
    QFETCH(MapRectangle, asked);
    MapWidget map;
    map.resize(400, 300);
    map.SetExtent(asked);
    const MapRectangle e = map.Extent();
    const MapRectangle a(std::min(asked.Left, asked.Right), std::max(asked.Left, asked.Right),
                         std::min(asked.Bottom, asked.Top), std::max(asked.Bottom, asked.Top));
    // The whole area is shown, centred, widened to the widget's aspect.
    QVERIFY(e.Left <= a.Left + 1e-9 && e.Right >= a.Right - 1e-9);
    QVERIFY(e.Bottom <= a.Bottom + 1e-9 && e.Top >= a.Top - 1e-9);
    QVERIFY(std::abs(e.Width() - a.Width()) < 1e-9 || std::abs(e.Height() - a.Height()) < 1e-9);
    QVERIFY(std::abs(e.Width() / e.Height() - 4.0 / 3.0) < 1e-9);
    QVERIFY(std::abs(e.Center().X - a.Center().X) < 1e-9);
    map.SetExtent(e);
    const MapRectangle again = map.Extent();
    const double eps = 1e-9 * e.Width();
    QVERIFY(std::abs(again.Left - e.Left) < eps && std::abs(again.Right - e.Right) < eps);
    QVERIFY(std::abs(again.Bottom - e.Bottom) < eps && std::abs(again.Top - e.Top) < eps);
    const MapPoint p = map.ToMapPoint(100, 50);
    QCOMPARE(map.FromMapPoint(p), QPointF(100, 50));
    QCOMPARE(map.ToMapPoint(0, 0), (MapPoint{e.Left, e.Top}));
}

QTEST_MAIN(TestMapRender)
#include "tst_maprender.moc"
