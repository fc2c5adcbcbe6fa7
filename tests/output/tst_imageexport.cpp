#include "exportfixture.h"

#include "app/runtime/showmessage.h"
#include "app/runtime/messagetable.h"
#include "app/output/exportcommand.h"
#include "app/output/exportnames.h"
#include "app/output/imageexport.h"
#include "app/output/metafileclipboard.h"
#include "app/output/pictures.h"
#include "contracts/runtimeerror.h"
#include "platform/legend/legendwidget.h"
#include "platform/mapcontrol/mapwidget.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QTimer>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

class TestImageExport : public QObject {
    Q_OBJECT

private slots:
    void init();
    void splitOutputName_data();
    void splitOutputName();
    void extensionsAreExact_data();
    void extensionsAreExact();
    void bitmapFiles_data();
    void bitmapFiles();
    void metafiles();
    void metafileOnClipboard();
    void unwritableFolderRaisesError();
    void exportCommand_data();
    void exportCommand();

private:
    // The pixel of the map picture at the centre of square n, at the export scale.
    QColor centrePixel(const QImage &image, int n, double scale) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ExportFixture> m_map;
};

void TestImageExport::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_map = std::make_unique<ExportFixture>(m_dir->path());
    QVERIFY(m_map->ok);
}

QColor TestImageExport::centrePixel(const QImage &image, int n, double scale) const
{
    const CentrePoint c = SquareCentre(n);
    const QPointF p = m_map->map->FromMapPoint({c.x, c.y}) * scale;
    return image.pixelColor(p.toPoint());
}

void TestImageExport::splitOutputName_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("extension");
    QTest::newRow("plain") << "map.png" << "map" << "png";
    QTest::newRow("dot folder") << "./out/map.png" << "./out/map" << "png";
    QTest::newRow("dotted folder") << "maps.v2/map.png" << "maps.v2/map" << "png";
    QTest::newRow("windows dotted folder") << "c:\\out.old\\map.png" << "c:\\out.old\\map"
                                           << "png";
    QTest::newRow("two dots in the name") << "map.2024.wmf" << "map.2024" << "wmf";
    QTest::newRow("no extension") << "maps.v2/map" << "maps.v2/map" << "";
    QTest::newRow("upper case kept") << "/tmp/MAP.BMP" << "/tmp/MAP" << "BMP";
}

void TestImageExport::splitOutputName()
{
    QFETCH(QString, path);
    QFETCH(QString, base);
    QFETCH(QString, extension);
    const OutputName name = SplitOutputName(path);
    QCOMPARE(name.base, base);
    QCOMPARE(name.extension, extension);
}

void TestImageExport::extensionsAreExact_data()
{
    QTest::addColumn<QString>("extension");
    QTest::addColumn<bool>("known");
    QTest::newRow("bmp") << "bmp" << true;
    QTest::newRow("wmf") << "wmf" << true;
    QTest::newRow("png") << "png" << true;
    QTest::newRow("BMP") << "BMP" << false;
    QTest::newRow("Png") << "Png" << false;
    QTest::newRow("jpg") << "jpg" << false;
    QTest::newRow("empty") << "" << false;
}

void TestImageExport::extensionsAreExact()
{
    QFETCH(QString, extension);
    QFETCH(bool, known);
    QCOMPARE(ImageFormatOf(extension).has_value(), known);
    if (known)
        QCOMPARE(ExtensionOf(*ImageFormatOf(extension)), extension);
}

void TestImageExport::bitmapFiles_data()
{
    QTest::addColumn<QString>("extension");
    QTest::addColumn<double>("scale");
    QTest::newRow("bmp at 1.0") << "bmp" << 1.0;
    QTest::newRow("bmp at 1.5") << "bmp" << 1.5;
    QTest::newRow("png at 1.0") << "png" << 1.0;
    QTest::newRow("png at 1.2") << "png" << 1.2;
}

void TestImageExport::bitmapFiles()
{
    QFETCH(QString, extension);
    QFETCH(double, scale);
    ImageExport exporter(*m_map->map, *m_map->legend);
    exporter.setExportScale(scale);
    const QString base = m_dir->filePath(QStringLiteral("out/map"));
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("out"))));
    exporter.Export(base, *ImageFormatOf(extension));

    const ExportFiles files = ExportFileNames(base, extension);
    QImageReader mapReader(files.map);
    const QImage map = mapReader.read();
    QVERIFY2(!map.isNull(), qPrintable(mapReader.errorString()));
    QCOMPARE(map.size(), QSize(qRound(200 * scale), qRound(160 * scale)));
    QCOMPARE(centrePixel(map, 0, scale), QColor(Qt::green));
    QCOMPARE(centrePixel(map, 1, scale), QColor(Qt::green));
    QCOMPARE(centrePixel(map, 2, scale), QColor(Qt::blue));
    QCOMPARE(centrePixel(map, 3, scale), QColor(Qt::blue));

    const QImage legend(files.legend);
    const QImage legendImage(files.legendImage);
    QCOMPARE(legend.size(), m_map->legend->LegendSize());
    QCOMPARE(legendImage.size(), m_map->legend->LegendImageSize());
    if (extension == QLatin1String("png")) {
        // 256-colour palette images.
        for (const QImage &image : {map, legend, legendImage}) {
            QCOMPARE(image.format(), QImage::Format_Indexed8);
            QVERIFY(image.colorCount() <= 256);
        }
    }
    // The three files and nothing else: no temporary file is left beside them.
    QCOMPARE(QDir(m_dir->filePath(QStringLiteral("out"))).entryList(QDir::Files).size(), 3);
}

void TestImageExport::metafiles()
{
    ImageExport exporter(*m_map->map, *m_map->legend);
    exporter.setExportScale(1.5);
    const QString base = m_dir->filePath(QStringLiteral("map"));
    exporter.Export(base, ImageFormat::Wmf);
    const ExportFiles files = ExportFileNames(base, QStringLiteral("wmf"));
    for (const QString &file : {files.map, files.legend, files.legendImage}) {
        int records = 0;
        QString why;
        QVERIFY2(WalkMetafile(ReadAll(file), &records, &why), qPrintable(file + ": " + why));
        QVERIFY(records > 3);
        const QString svg = file + QStringLiteral(".svg");
        const QString failure = ConvertWithWmf2svg(file, svg);
        if (failure.startsWith(QLatin1String("skip:")))
            continue;
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QVERIFY(ReadAll(svg).contains("<svg"));
    }
    // The map picture keeps the export scale: the placeable header's box is 300 x 240
    // pixels in its own units per inch.
    const QByteArray map = ReadAll(files.map);
    const auto *d = reinterpret_cast<const uchar *>(map.constData());
    const double inch = qFromLittleEndian<quint16>(d + 14);
    const double width = qFromLittleEndian<qint16>(d + 10) - qFromLittleEndian<qint16>(d + 6);
    const double height = qFromLittleEndian<qint16>(d + 12) - qFromLittleEndian<qint16>(d + 8);
    QVERIFY(std::fabs(width / inch * 96 - 300) < 1.0);
    QVERIFY(std::fabs(height / inch * 96 - 240) < 1.0);
}

void TestImageExport::metafileOnClipboard()
{
    // An interactive metafile export replaces the clipboard with its last picture, as a
    // metafile and as an image.
    SetMetafileClipboard(QByteArray("old"), QImage(4, 4, QImage::Format_RGB32));
    ImageExport exporter(*m_map->map, *m_map->legend);
    exporter.setMetafileToClipboard(true);
    const QString base = m_dir->filePath(QStringLiteral("clip"));
    exporter.Export(base, ImageFormat::Wmf);
    QCOMPARE(ClipboardMetafile(), ReadAll(base + QStringLiteral("LI.wmf")));

    QVERIFY(CopyMapMetafile(*m_map->map));
    QVERIFY(WalkMetafile(ClipboardMetafile()));
    QVERIFY(ClipboardMetafile() != ReadAll(base + QStringLiteral("LI.wmf")));
}

void TestImageExport::unwritableFolderRaisesError()
{
    ImageExport exporter(*m_map->map, *m_map->legend);
    const QString base = m_dir->filePath(QStringLiteral("missing/map"));
    for (ImageFormat format : {ImageFormat::Bmp, ImageFormat::Png, ImageFormat::Wmf}) {
        bool raised = false;
        try {
            exporter.Export(base, format);
        } catch (const RunTimeError &error) {
            raised = !error.description().isEmpty();
        }
        QVERIFY(raised);
    }
    // Nothing written beside the layer's own files.
    QCOMPARE(QDir(m_dir->path()).entryList({QStringLiteral("*.bmp"), QStringLiteral("*.png"),
                                            QStringLiteral("*.wmf")},
                                           QDir::Files),
             QStringList());
}

void TestImageExport::exportCommand_data()
{
    QTest::addColumn<QString>("typed");   // file name typed in the dialog; empty: cancel
    QTest::addColumn<QStringList>("written");
    QTest::addColumn<QString>("message");
    QTest::newRow("png") << "chosen.png" << QStringList{"chosen.png", "chosenL.png", "chosenLI.png"}
                         << "";
    QTest::newRow("default extension") << "chosen"
                                       << QStringList{"chosen.bmp", "chosenL.bmp", "chosenLI.bmp"}
                                       << "";
    QTest::newRow("upper-case extension") << "MAP.BMP" << QStringList{} << "Wrong extension";
    QTest::newRow("cancel") << "" << QStringList{} << "";
}

void TestImageExport::exportCommand()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, written);
    QFETCH(QString, message);
    SetDefaultTexts();
    QStringList shown;
    SetMessageBoxFunction([&](const QString &caption, int buttons, const QString &text) {
        shown << QStringLiteral("%1|%2|%3").arg(caption).arg(buttons).arg(text);
    });
    const QString folder = m_dir->filePath(QStringLiteral("chosen"));
    QVERIFY(QDir().mkpath(folder));
    // Answers the dialog as a user would: types the name and saves, or cancels.
    QTimer::singleShot(0, this, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        if (typed.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->setDirectory(folder);
        dialog->selectFile(typed);
        static_cast<QDialog *>(dialog)->accept();
    });
    ExportCommandInput input;
    input.map = m_map->map.get();
    input.legend = m_map->legend.get();
    input.dataFile = QStringLiteral("/data/births.tq");
    mnuExport(nullptr, input);
    SetMessageBoxFunction({});
    QCOMPARE(QDir(folder).entryList(QDir::Files), written);
    QCOMPARE(shown, message.isEmpty() ? QStringList() : QStringList{"Chorel|64|" + message});
}

QTEST_MAIN(TestImageExport)
#include "tst_imageexport.moc"
