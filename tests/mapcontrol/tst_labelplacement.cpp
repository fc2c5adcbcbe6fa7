#include "platform/mapcontrol/labelplacer.h"
#include "platform/mapcontrol/mappainter.h"
#include "platform/mapcontrol/poleofinaccessibility.h"
#include "platform/mapcontrol/shapefilelayer.h"

#include <QBuffer>
#include <QPainter>
#include <QSvgGenerator>
#include <QTest>

#include <cmath>

// Region labels on the sample maps: where the pole of inaccessibility lies in regions whose
// centroid does not, and how the labels of a whole map are placed and drawn.
class TestLabelPlacement : public QObject {
    Q_OBJECT
private slots:
    void poleInsideWhereCentroidIsNot_data();
    void poleInsideWhereCentroidIsNot();
    void poleOfTheLargestPart();
    void northCarolinaNamesAt1600();
    void everyDeviceGetsTheSameLabels();
    void rightToLeftAndAccentedNamesDrawAsWritten();
    void outlinesThinOnDenseMaps();
    void noOutlineAutoOnSparseMaps();

private:
    static std::shared_ptr<ShapefileLayer> sample(const QString &file);
    static std::vector<QPolygonF> ringsOf(const MapShape &shape);
    struct Picture {
        QImage image;
        LabelPlacement placement;
        QTransform transform;
    };
    static Picture paint(const std::shared_ptr<ShapefileLayer> &layer, const MapLabels &labels,
                         int width, bool outlineAuto = false);
    static MapLabels namesOf(const std::shared_ptr<ShapefileLayer> &layer, const QString &field);
};

std::shared_ptr<ShapefileLayer> TestLabelPlacement::sample(const QString &file)
{
    QString error;
    auto layer =
        ShapefileLayer::open(qEnvironmentVariable("CHOREL_SAMPLES") + "/Maps/" + file, &error);
    if (!layer)
        qWarning("%s", qPrintable(error));
    return layer;
}

std::vector<QPolygonF> TestLabelPlacement::ringsOf(const MapShape &shape)
{
    return {shape.Parts().begin(), shape.Parts().end()};
}

TestLabelPlacement::Picture TestLabelPlacement::paint(const std::shared_ptr<ShapefileLayer> &layer,
                                                      const MapLabels &labels, int width,
                                                      bool outlineAuto)
{
    const MapRectangle e = layer->Extent();
    const QSize size(width, int(std::ceil(width * e.Height() / e.Width())));
    MapPainter painter({layer}, MapPainter::fitExtent(e, size), size);
    painter.setLabels(&labels);
    painter.setOutlineAuto(outlineAuto);
    Picture picture{QImage(size, QImage::Format_RGB32), {}, painter.transform()};
    QPainter p(&picture.image);
    painter.paint(p);
    picture.placement = painter.labelPlacement();
    return picture;
}

MapLabels TestLabelPlacement::namesOf(const std::shared_ptr<ShapefileLayer> &layer,
                                      const QString &field)
{
    MapLabels labels;
    labels.layer = layer;
    for (int r = 0; r < layer->RecordCount(); ++r)
        labels.texts << layer->FieldValue(r, field).toString();
    return labels;
}

void TestLabelPlacement::poleInsideWhereCentroidIsNot_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("record");
    // Haiti and Croatia are C-shaped; the census tract 99 of the New York sample is a ring
    // around another tract, its centroid in the hole.
    QTest::newRow("Haiti") << "world.shp" << 16;
    QTest::newRow("Croatia") << "world.shp" << 126;
    QTest::newRow("ring-shaped tract") << "ny8_tracts.shp" << 99;
}

void TestLabelPlacement::poleInsideWhereCentroidIsNot()
{
    QFETCH(QString, file);
    QFETCH(int, record);
    const auto layer = sample(file);
    QVERIFY(layer);
    const MapShape shape = layer->RecordShape(record);
    QVERIFY(!shape.Contains(shape.Centroid()));
    const std::vector<QPolygonF> part = LargestPart(ringsOf(shape));
    if (file.startsWith("ny8"))
        QCOMPARE(part.size(), std::size_t(2)); // the outer ring and its hole
    // A pixel of a picture 1,000 pixels wide.
    const double precision = shape.Extent().Width() / 1000.0;
    const PolePoint pole = PoleOfInaccessibility(part, precision);
    QVERIFY(shape.Contains(MapPoint::fromPointF(pole.point)));
    QVERIFY(pole.distance > 10 * precision);
    QCOMPARE(SignedRingDistance(pole.point, part), pole.distance);
    // No point of a fine grid lies farther inside than the pole by more than the precision.
    const QRectF box = part.front().boundingRect();
    double farthest = 0.0;
    for (int i = 0; i <= 200; ++i)
        for (int j = 0; j <= 200; ++j)
            farthest = std::max(farthest, SignedRingDistance(box.topLeft() + QPointF(box.width() * i / 200.0, box.height() * j / 200.0), part));
    QVERIFY2(farthest <= pole.distance + precision,
             qPrintable(QString("grid %1, pole %2").arg(farthest).arg(pole.distance)));
}

void TestLabelPlacement::poleOfTheLargestPart()
{
    // France: the pole lies in Europe, not in French Guiana or Corsica.
    const auto layer = sample("world.shp");
    QVERIFY(layer);
    int france = -1;
    for (int r = 0; r < layer->RecordCount(); ++r)
        if (layer->FieldValue(r, "name_long").toString() == "France")
            france = r;
    QVERIFY(france >= 0);
    const MapShape shape = layer->RecordShape(france);
    const PolePoint pole = PoleOfInaccessibility(LargestPart(ringsOf(shape)), 0.01);
    QVERIFY2(pole.point.x() > -5 && pole.point.x() < 8 && pole.point.y() > 42 && pole.point.y() < 51,
             qPrintable(QString("%1 %2").arg(pole.point.x()).arg(pole.point.y())));
    // A square with a square hole: the pole lies in a corner of the frame, on the diagonal,
    // as far from the outer sides as from the hole's corner: t = sqrt(2) (2 - t).
    const std::vector<QPolygonF> frame = {
        QPolygonF(QRectF(0, 0, 10, 10)), QPolygonF(QRectF(2, 2, 6, 6))};
    const PolePoint ring = PoleOfInaccessibility(LargestPart(frame), 0.01);
    QVERIFY(std::abs(ring.distance - 2 * std::sqrt(2.0) / (1 + std::sqrt(2.0))) < 0.01);
    QVERIFY(!QRectF(2, 2, 6, 6).contains(ring.point));
}

void TestLabelPlacement::northCarolinaNamesAt1600()
{
    const auto layer = sample("nc_counties.shp");
    QVERIFY(layer);
    const Picture picture = paint(layer, namesOf(layer, "NAME"), 1600);
    const auto &placed = picture.placement.placed;
    QVERIFY2(placed.size() >= 95, qPrintable(QString::number(placed.size())));
    QCOMPARE(placed.size() + picture.placement.leftOut.size(), std::size_t(100));
    const QTransform back = picture.transform.inverted();
    for (std::size_t i = 0; i < placed.size(); ++i) {
        const MapShape county = layer->RecordShape(placed[i].record);
        const QString name = placed[i].text;
        QCOMPARE(name, layer->FieldValue(placed[i].record, "NAME").toString());
        QVERIFY2(county.Contains(MapPoint::fromPointF(back.map(placed[i].anchor))),
                 qPrintable(name));
        QVERIFY2(county.Contains(MapPoint::fromPointF(back.map(placed[i].box.center()))),
                 qPrintable(name));
        QVERIFY(QRectF(QPointF(0, 0), QSizeF(picture.image.size())).contains(placed[i].box));
        for (std::size_t j = 0; j < i; ++j)
            QVERIFY2(!placed[i].box.intersects(placed[j].box),
                     qPrintable(name + " / " + placed[j].text));
        // The text is drawn: dark letters in its box, on whatever class colour.
        const QRect box = placed[i].box.toAlignedRect();
        int ink = 0;
        for (int y = box.top(); y <= box.bottom(); ++y)
            for (int x = box.left(); x <= box.right(); ++x)
                if (qGray(picture.image.pixel(x, y)) < 100)
                    ++ink;
        QVERIFY2(ink > 10, qPrintable(QString("%1 %2 %3 %4 %5 %6").arg(name).arg(ink).arg(box.x()).arg(box.y()).arg(box.width()).arg(box.height())));
    }
}

void TestLabelPlacement::everyDeviceGetsTheSameLabels()
{
    const auto layer = sample("nc_counties.shp");
    QVERIFY(layer);
    const MapLabels labels = namesOf(layer, "NAME");
    const Picture picture = paint(layer, labels, 1600);
    // The same map on an SVG picture: the same labels, drawn as text.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(picture.image.size());
    svg.setResolution(96);
    const MapRectangle e = layer->Extent();
    MapPainter painter({layer}, MapPainter::fitExtent(e, picture.image.size()),
                       picture.image.size());
    painter.setLabels(&labels);
    QPainter p(&svg);
    painter.paint(p);
    p.end();
    const auto &a = picture.placement.placed, &b = painter.labelPlacement().placed;
    QCOMPARE(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        QCOMPARE(a[i].record, b[i].record);
        QCOMPARE(a[i].box, b[i].box);
    }
    const QString text = QString::fromUtf8(buffer.data());
    for (const PlacedLabel &label : a)
        QVERIFY2(text.contains(">" + label.text + "</text>"), qPrintable(label.text));
    // A map without labels places none and draws no text.
    MapPainter plain({layer}, MapPainter::fitExtent(e, picture.image.size()),
                     picture.image.size());
    QImage image(picture.image.size(), QImage::Format_RGB32);
    QPainter q(&image);
    plain.paint(q);
    QVERIFY(plain.labelPlacement().placed.empty());
}

void TestLabelPlacement::rightToLeftAndAccentedNamesDrawAsWritten()
{
    const auto layer = sample("nc_counties.shp");
    QVERIFY(layer);
    MapLabels labels;
    labels.layer = layer;
    const QStringList names = {QString::fromUtf8("חיפה"), QString::fromUtf8("القاهرة"),
                               QString::fromUtf8("Ñuñoa – Åre")};
    for (int r = 0; r < layer->RecordCount(); ++r)
        labels.texts << names.at(r % names.size());
    const Picture picture = paint(layer, labels, 1600);
    QVERIFY(picture.placement.placed.size() >= 90);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(picture.image.size());
    MapPainter painter({layer}, MapPainter::fitExtent(layer->Extent(), picture.image.size()),
                       picture.image.size());
    painter.setLabels(&labels);
    QPainter p(&svg);
    painter.paint(p);
    p.end();
    // The texts are kept in their own (logical) order; the reader's bidi puts them right to left.
    const QString text = QString::fromUtf8(buffer.data());
    for (const QString &name : names)
        QVERIFY2(text.contains(">" + name.toHtmlEscaped() + "</text>"), qPrintable(name));
    // Drawn in the labels' font, the Hebrew name reads right to left and the Latin one left to
    // right: with the first letter blanked, a text set from the left changes only at its right
    // end when it runs right to left, and from its first column when it runs left to right.
    const QFont font = LabelPlacer::labelFont(labels);
    auto firstChange = [&font](const QString &text) {
        auto draw = [&font](const QString &t) {
            QImage image(200, 30, QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter p(&image);
            p.setFont(font);
            p.setPen(Qt::black);
            p.drawText(QRectF(2, 0, 196, 30), Qt::AlignLeft | Qt::AlignVCenter, t);
            return image;
        };
        const QImage whole = draw(text), blanked = draw(u' ' + text.mid(1));
        for (int x = 0; x < whole.width(); ++x)
            for (int y = 0; y < whole.height(); ++y)
                if (whole.pixel(x, y) != blanked.pixel(x, y))
                    return double(x - 2) / QFontMetricsF(font).horizontalAdvance(text);
        return -1.0;
    };
    QVERIFY(firstChange(names.at(0)) > 0.5);
    QVERIFY(firstChange(names.at(1)) > 0.5);
    const double latin = firstChange(names.at(2));
    QVERIFY(latin >= 0.0 && latin < 0.1);
}

void TestLabelPlacement::outlinesThinOnDenseMaps()
{
    // The New York tracts 400 pixels wide: most tracts are a few pixels across.
    const auto layer = sample("ny8_tracts.shp");
    QVERIFY(layer);
    layer->Symbol().Color = 0x00FFFF; // yellow
    layer->Symbol().OutlineColor = 0;  // black
    const MapLabels none;
    const QImage dark = paint(layer, none, 400).image;
    const QImage light = paint(layer, none, 400, true).image;
    auto black = [](const QImage &image) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) < 40)
                    ++n;
        return n;
    };
    QVERIFY(black(dark) > 1000);
    QCOMPARE(black(light), 0);
    // The fills are the same: the yellow shows where it showed.
    QCOMPARE(light.size(), dark.size());
}

void TestLabelPlacement::noOutlineAutoOnSparseMaps()
{
    // North Carolina 1,600 pixels wide: the counties are large, the outline stays as it is.
    const auto layer = sample("nc_counties.shp");
    QVERIFY(layer);
    const MapLabels none;
    QCOMPARE(paint(layer, none, 1600, true).image, paint(layer, none, 1600).image);
}

QTEST_MAIN(TestLabelPlacement)
#include "tst_labelplacement.moc"
