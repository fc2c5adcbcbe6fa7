// Vector files, the sheet and pictures of a chosen width, on a shown map of four squares:
// SVG and PDF files read back as a reader sees them, the sheet's layout rules, and the map of
// --width drawn at its own aspect with the class colours where the regions are.
#include "exportfixture.h"
#include "../circles/squarelayer.h"
#include "vectorreader.h"

#include "app/output/batchexport.h"
#include "app/output/imageexport.h"
#include "app/output/pictures.h"
#include "app/output/sheet.h"
#include "contracts/runtimeerror.h"
#include "platform/legend/legendwidget.h"
#include "platform/mapcontrol/mapwidget.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class TestVectorExport : public QObject {
    Q_OBJECT

private slots:
    void init();
    void svgFiles();
    void pdfFiles();
    void unwritableVectorFile();
    void widthDrawsTheMapAtItsAspect();
    void sheetLayout();
    void sheetPicture();
    void enclavesStayOnTop();

private:
    // The words and numbers of the legend's text.
    QStringList legendWords() const
    {
        static const QRegularExpression gaps(QStringLiteral("[\\s\u2013-]+"));
        return m_map->legend->LegendText().split(gaps, Qt::SkipEmptyParts);
    }
    // The pixel of square n in a picture of the map's content rectangle at the factor, placed
    // at origin.
    QPoint squarePixel(int n, const QRect &content, double factor, QPointF origin = {}) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ExportFixture> m_map;
};

void TestVectorExport::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_map = std::make_unique<ExportFixture>(m_dir->path());
    QVERIFY(m_map->ok);
}

QPoint TestVectorExport::squarePixel(int n, const QRect &content, double factor,
                                     QPointF origin) const
{
    const CentrePoint c = SquareCentre(n);
    const QPointF p = m_map->map->FromMapPoint({c.x, c.y}) - QPointF(content.topLeft());
    return (origin + p * factor).toPoint();
}

void TestVectorExport::svgFiles()
{
    const QString base = m_dir->filePath(QStringLiteral("map"));
    ImageExport exporter(*m_map->map, *m_map->legend);
    exporter.setExportScale(1.5);
    exporter.Export(base, ImageFormat::Svg);

    const SvgContent map = ReadSvg(base + QStringLiteral(".svg"));
    QVERIFY2(map.parsed, qPrintable(map.error));
    // 300 x 240 pixels at 96 per inch.
    QCOMPARE(map.viewBox, QString("0 0 300 240"));
    QVERIFY(map.width.endsWith(QStringLiteral("mm")) && map.height.endsWith(QStringLiteral("mm")));
    QVERIFY(qAbs(map.width.chopped(2).toDouble() - 300 * 25.4 / 96) < 0.01);
    QVERIFY(qAbs(map.height.chopped(2).toDouble() - 240 * 25.4 / 96) < 0.01);
    // One filled path per region, in the colour of its class (outlines drawn on their own
    // have no fill).
    QMap<QString, int> filled = map.pathsByFill;
    filled.remove(QStringLiteral("none"));
    QCOMPARE(filled, (QMap<QString, int>{{"#00ff00", 2}, {"#0000ff", 2}}));

    const SvgContent legend = ReadSvg(base + QStringLiteral("L.svg"));
    QVERIFY2(legend.parsed, qPrintable(legend.error));
    const QString texts = legend.texts.join(u' ');
    for (const QString &word : legendWords())
        QVERIFY2(texts.contains(word), qPrintable(word + " not in " + texts));
    QVERIFY(legend.texts.contains(QStringLiteral("Births")));

    const SvgContent image = ReadSvg(base + QStringLiteral("LI.svg"));
    QVERIFY(image.parsed);
    QVERIFY(image.texts.isEmpty());
    QCOMPARE(QDir(m_dir->path()).entryList({QStringLiteral("map*")}, QDir::Files).size(), 3);
}

void TestVectorExport::pdfFiles()
{
    const QString base = m_dir->filePath(QStringLiteral("map"));
    ImageExport exporter(*m_map->map, *m_map->legend);
    exporter.Export(base, ImageFormat::Pdf);
    const PdfContent map = ReadPdf(base + QStringLiteral(".pdf"));
    if (map.skip)
        QSKIP("pdfinfo and pdftotext (poppler-utils) are not installed");
    QCOMPARE(map.pages, 1);
    QCOMPARE(map.pageSize, QString("150 x 120")); // 200 x 160 pixels at 96 per inch
    const PdfContent legend = ReadPdf(base + QStringLiteral("L.pdf"));
    QCOMPARE(legend.pages, 1);
    const QSize size = m_map->legend->LegendSize();
    QCOMPARE(legend.pageSize, QStringLiteral("%1 x %2").arg(size.width() * 0.75).arg(size.height() * 0.75));
    // The legend's texts are text in the file.
    for (const QString &word : legendWords())
        QVERIFY2(legend.text.contains(word), qPrintable(word + " not in " + legend.text));
}

void TestVectorExport::unwritableVectorFile()
{
    const QString missing = m_dir->filePath(QStringLiteral("nowhere/map"));
    for (ImageFormat format : {ImageFormat::Svg, ImageFormat::Pdf}) {
        QVERIFY_THROWS_EXCEPTION(RunTimeError,
                                 WritePictureFile(MapPicture(*m_map->map, 1.0), format,
                                                  missing + u'.' + ExtensionOf(format)));
    }
    // A file that exists stays whole when the new one cannot be written over it.
    const QString kept = m_dir->filePath(QStringLiteral("kept.svg"));
    WritePictureFile(MapPicture(*m_map->map, 1.0), ImageFormat::Svg, kept);
    const QByteArray before = ReadAll(kept);
    QFile::setPermissions(m_dir->path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    bool raised = false;
    try {
        WritePictureFile(MapPicture(*m_map->map, 1.5), ImageFormat::Svg, kept);
    } catch (const RunTimeError &) {
        raised = true;
    }
    QFile::setPermissions(m_dir->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                             QFileDevice::ExeOwner);
    if (!raised && before != ReadAll(kept))
        QSKIP("the folder's permissions do not hold for this user (root)");
    QCOMPARE(ReadAll(kept), before);
}

void TestVectorExport::widthDrawsTheMapAtItsAspect()
{
    // The map shows the squares (100 x 100 map units) in a control of 200 x 160: the empty
    // bands left and right are not part of the picture.
    const QRect content = MapContentRect(*m_map->map);
    QVERIFY(content.width() < 200 && content.height() == 160);
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("out"))));
    BatchPictureOptions options;
    options.width = 500;
    QVERIFY(RunBatchExport(m_dir->filePath(QStringLiteral("out/w.bmp")), *m_map->map,
                           *m_map->legend, options));
    const QImage map(m_dir->filePath(QStringLiteral("out/w.bmp")));
    const double factor = 500.0 / content.width();
    QCOMPARE(map.size(), QSize(500, qRound(content.height() * factor)));
    const QColor expected[] = {Qt::green, Qt::green, Qt::blue, Qt::blue};
    for (int n = 0; n < 4; ++n)
        QCOMPARE(map.pixelColor(squarePixel(n, content, factor)), expected[n]);
    // The legends keep their own size.
    QCOMPARE(QImage(m_dir->filePath(QStringLiteral("out/wL.bmp"))).size(),
             m_map->legend->LegendSize());
    QCOMPARE(QDir(m_dir->filePath(QStringLiteral("out"))).entryList(QDir::Files).size(), 3);

    // A width whose picture would be too large is refused before anything is drawn.
    options.width = kLargestPictureSide + 1;
    QVERIFY(!RunBatchExport(m_dir->filePath(QStringLiteral("out/huge.png")), *m_map->map,
                            *m_map->legend, options));
    QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("out/huge.png"))));
}

void TestVectorExport::sheetLayout()
{
    const SheetTexts texts{QStringLiteral("Births by county"), QStringLiteral("Births 1974"),
                           QStringLiteral("Source: births.tq, period 1974")};
    // A legend no taller than the map stands beside it, its top at the map's top.
    const SheetLayout beside = LayOutSheet(QSize(400, 300), QSizeF(120, 200), texts, 1.0);
    QVERIFY(beside.legendBeside);
    QCOMPARE(beside.map.size(), QSizeF(400, 300));
    QCOMPARE(beside.legend.top(), beside.map.top());
    QVERIFY(beside.legend.left() > beside.map.right());
    QVERIFY(beside.title.bottom() <= beside.statistic.top());
    QVERIFY(beside.statistic.bottom() < beside.map.top());
    QVERIFY(beside.source.top() > beside.map.bottom());
    QVERIFY(beside.source.bottom() < beside.size.height());
    QVERIFY(beside.legend.right() < beside.size.width());
    // A taller one goes below the map.
    const SheetLayout below = LayOutSheet(QSize(400, 300), QSizeF(120, 350), texts, 1.0);
    QVERIFY(!below.legendBeside);
    QVERIFY(below.legend.top() > below.map.bottom());
    QVERIFY(below.source.top() > below.legend.bottom());
    QVERIFY(below.size.width() < beside.size.width());
    // Any width: everything grows by the same factor.
    const double factor = SheetFactorForWidth(QSize(400, 300), QSizeF(120, 200), texts, 1500);
    const SheetLayout wide = LayOutSheet(QSize(400, 300), QSizeF(120, 200), texts, factor);
    QCOMPARE(wide.size.width(), 1500);
    QCOMPARE(wide.map.width(), 400 * factor);
    QCOMPARE(wide.legend.top(), beside.legend.top() * factor);
    // Without texts the map starts at the top margin.
    const SheetLayout bare = LayOutSheet(QSize(400, 300), QSizeF(120, 200), {}, 1.0);
    QCOMPARE(bare.map.top(), beside.map.left());
}

void TestVectorExport::sheetPicture()
{
    const SheetTexts texts{QStringLiteral("Births by county"), QStringLiteral("Births"),
                           QStringLiteral("Source: births.tq")};
    const double factor = 1.5;
    const Picture sheet = SheetPicture(*m_map->map, *m_map->legend, texts, factor);
    const QRect content = MapContentRect(*m_map->map);
    const SheetLayout layout =
        LayOutSheet(content.size(), m_map->legend->LegendSize(), texts, factor);
    QCOMPARE(sheet.size, layout.size);
    QImage image(sheet.size, QImage::Format_RGB32);
    image.fill(Qt::red);
    {
        QPainter painter(&image);
        sheet.paint(painter);
    }
    const QColor expected[] = {Qt::green, Qt::green, Qt::blue, Qt::blue};
    for (int n = 0; n < 4; ++n)
        QCOMPARE(image.pixelColor(squarePixel(n, content, factor, layout.map.topLeft())),
                 expected[n]);
    // The title is drawn in its place, in black; the sheet is white where nothing is drawn.
    bool black = false;
    const QRect title = layout.title.toRect();
    for (int y = title.top(); y <= title.bottom() && !black; ++y)
        for (int x = title.left(); x <= title.right() && !black; ++x)
            black = image.pixelColor(x, y) == QColor(Qt::black);
    QVERIFY(black);
    QCOMPARE(image.pixelColor(2, 2), QColor(Qt::white));
    QCOMPARE(image.pixelColor(image.width() - 2, image.height() - 2), QColor(Qt::white));
}

// An enclave stored as its own record after the region around it lies on top of it in every
// picture, also when its class comes first: vector files draw in file order too.
void TestVectorExport::enclavesStayOnTop()
{
    // Record 1 the surrounding region (blue class), record 2 the enclave inside it (green).
    const QString shp = writeSquareLayer(m_dir->path(), QStringLiteral("enclave"),
                                         {{"outer", 0.0, 0.0, 100.0, 40.0},
                                          {"inner", 40.0, 40.0, 20.0, 10.0}});
    QVERIFY(!shp.isEmpty());
    MapWidget map;
    map.resize(200, 200);
    QVERIFY(map.AddShapefileLayer(shp));
    map.Layer(0)->SetRenderer(GreenBlueRenderer());
    map.SetExtent(MapRectangle(0, 100, 0, 100));
    const QPoint centre = map.FromMapPoint({50.0, 50.0}).toPoint();
    const QPoint around = map.FromMapPoint({10.0, 10.0}).toPoint();
    for (ImageFormat format : {ImageFormat::Png, ImageFormat::Svg, ImageFormat::Pdf}) {
        const QString file = m_dir->filePath(QStringLiteral("enclave.") + ExtensionOf(format));
        WritePictureFile(MapPicture(map, 1.0), format, file);
        const QImage picture = format == ImageFormat::Svg   ? RenderSvg(file)
                               : format == ImageFormat::Pdf ? RenderPdf(file)
                                                            : QImage(file);
        if (picture.isNull() && format == ImageFormat::Pdf)
            continue; // pdftoppm is not installed
        QVERIFY2(!picture.isNull(), qPrintable(file));
        QCOMPARE(picture.pixelColor(centre), QColor(Qt::green));
        QCOMPARE(picture.pixelColor(around), QColor(Qt::blue));
    }
}

QTEST_MAIN(TestVectorExport)
#include "tst_vectorexport.moc"
