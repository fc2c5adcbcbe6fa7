#include "app/output/imageexport.h"

#include "app/output/metafileclipboard.h"
#include "app/runtime/phasetimer.h"
#include "app/output/pictures.h"
#include "contracts/bitmapfile.h"
#include "contracts/legendcontrol.h"
#include "contracts/mapcontrol.h"
#include "contracts/outputfile.h"
#include "contracts/runtimeerror.h"
#include "palettor/converter.h"
#include "platform/wmf/wmfgenerator.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>

namespace {

const QString ErrorSource = QStringLiteral("Chorel.ImageExport");
// "Path/File access error": a file of the export could not be written.
constexpr std::int32_t FileAccessError = 75;

[[noreturn]] void fail(const QString &file, const QString &reason)
{
    // A writer's own text names the file already.
    const bool named = reason.startsWith(QStringLiteral("Can't write "));
    throw RunTimeError(FileAccessError, named ? reason : CannotWriteText(file, reason),
                       ErrorSource);
}

void saveLegend(LegendControl &legend, LegendPart part, const QString &path)
{
    const bool saved = part == LegendPart::Legend ? legend.SaveLegend(path, 0)
                                                  : legend.SaveLegendImage(path, 0);
    if (!saved)
        fail(path, legend.LastError());
}

// Converts the picture into a palette PNG; the converter itself raises "Writing png file
// failed" when its writer fails.
void convertToPng(const QImage &picture, const QString &png)
{
    Converter converter;
    converter.setPNGFile(png);
    if (!converter.ConvertImage(picture))
        fail(png, QStringLiteral("the picture could not be converted"));
}

} // namespace

ImageExport::ImageExport(MapControl &map, LegendControl &legend) : m_map(map), m_legend(legend) {}

void ImageExport::Export(const QString &base, ImageFormat format)
{
    const ExportFiles files = ExportFileNames(base, ExtensionOf(format));
    switch (format) {
    case ImageFormat::Bmp:
        exportBmp(files);
        break;
    case ImageFormat::Png:
        exportPng(files);
        break;
    case ImageFormat::Wmf:
        exportWmf(files);
        break;
    case ImageFormat::Svg:
    case ImageFormat::Pdf:
        exportVector(files, format);
        break;
    }
}

void ImageExport::exportBmp(const ExportFiles &files)
{
    if (!m_map.ExportMap(MapExportType::Bitmap, files.map, m_exportScale))
        fail(files.map, m_map.LastError());
    saveLegend(m_legend, LegendPart::Legend, files.legend);
    saveLegend(m_legend, LegendPart::LegendImage, files.legendImage);
}

void ImageExport::exportPng(const ExportFiles &files)
{
    // The pictures go to the converter straight from memory: no bitmap is written and read
    // back on the way.
    convertToPng(LegendImage(m_legend, LegendPart::Legend), files.legend);
    PhaseTimer::Mark("legend png");
    const QImage map = MapImage(m_map, m_exportScale);
    PhaseTimer::Mark("draw map");
    convertToPng(map, files.map);
    PhaseTimer::Mark("map png");
    convertToPng(LegendImage(m_legend, LegendPart::LegendImage), files.legendImage);
}

void ImageExport::exportWmf(const ExportFiles &files)
{
    // The map and the legends are painted straight onto the metafile device: vectors and
    // text stay vectors, and no bitmap passes through the clipboard or a hidden map.
    QString why;
    if (MapMetafile(m_map, m_exportScale, files.map, &why).isEmpty())
        fail(files.map, why);
    if (LegendMetafile(m_legend, LegendPart::Legend, files.legend, &why).isEmpty())
        fail(files.legend, why);
    const QByteArray legendImage =
        LegendMetafile(m_legend, LegendPart::LegendImage, files.legendImage, &why);
    if (legendImage.isEmpty())
        fail(files.legendImage, why);
    // As the metafiles of an export pass through the clipboard, the last of them stays there.
    if (m_metafileToClipboard)
        SetMetafileClipboard(legendImage, LegendImage(m_legend, LegendPart::LegendImage),
                             SvgDrawing(LegendPicture(m_legend, LegendPart::LegendImage),
                                        QStringLiteral("Chorel")));
}

void ImageExport::exportVector(const ExportFiles &files, ImageFormat format)
{
    WritePictureFile(MapPicture(m_map, m_exportScale), format, files.map, m_description);
    PhaseTimer::Mark("map vector");
    WritePictureFile(LegendPicture(m_legend, LegendPart::Legend), format, files.legend);
    WritePictureFile(LegendPicture(m_legend, LegendPart::LegendImage), format, files.legendImage);
}

void WritePictureFile(const Picture &picture, ImageFormat format, const QString &path,
                      const QString &description)
{
    QString error;
    const QString title = QFileInfo(path).completeBaseName();
    switch (format) {
    case ImageFormat::Svg:
        if (!WriteSvgFile(picture, path, title, &error, description))
            throw RunTimeError(FileAccessError, error, ErrorSource);
        return;
    case ImageFormat::Pdf:
        if (!WritePdfFile(picture, path, title, &error, description))
            throw RunTimeError(FileAccessError, error, ErrorSource);
        return;
    case ImageFormat::Wmf: {
        WmfGenerator generator;
        generator.setSize(picture.size);
        generator.setFileName(path);
        QPainter painter;
        if (!painter.begin(&generator))
            fail(path, QStringLiteral("the metafile could not be started"));
        picture.paint(painter);
        if (!painter.end())
            fail(path, generator.errorString().isEmpty()
                           ? QStringLiteral("the metafile could not be written")
                           : generator.errorString());
        return;
    }
    case ImageFormat::Bmp:
    case ImageFormat::Png:
        break;
    }
    QImage image(picture.size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        picture.paint(painter);
    }
    if (format == ImageFormat::Png)
        convertToPng(image, path);
    else if (!WriteBitmapFile(image, path, &error))
        throw RunTimeError(FileAccessError, error, ErrorSource);
}
