#include "app/output/imageexport.h"

#include "app/output/metafileclipboard.h"
#include "app/output/pictures.h"
#include "contracts/legendcontrol.h"
#include "contracts/mapcontrol.h"
#include "contracts/runtimeerror.h"
#include "palettor/converter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString ErrorSource = QStringLiteral("Chorel.ImageExport");
// "Path/File access error": a file of the export could not be written.
constexpr std::int32_t FileAccessError = 75;

[[noreturn]] void fail(const QString &file, const QString &reason)
{
    throw RunTimeError(FileAccessError,
                       QStringLiteral("Can't write %1: %2").arg(QDir::toNativeSeparators(file),
                                                                reason),
                       ErrorSource);
}

// A temporary bitmap of the export, deleted when it goes out of scope.
class TempBitmap {
public:
    explicit TempBitmap(QString path) : m_path(std::move(path)) {}
    ~TempBitmap() { QFile::remove(m_path); }
    TempBitmap(const TempBitmap &) = delete;
    TempBitmap &operator=(const TempBitmap &) = delete;
    const QString &path() const { return m_path; }

private:
    QString m_path;
};

void saveLegend(LegendControl &legend, LegendPart part, const QString &path)
{
    const bool saved = part == LegendPart::Legend ? legend.SaveLegend(path, 0)
                                                  : legend.SaveLegendImage(path, 0);
    if (!saved)
        fail(path, legend.LastError());
}

// Converts the bitmap into a palette PNG; the converter itself raises "Writing png file
// failed" when its writer fails.
void convertToPng(const QString &bitmap, const QString &png)
{
    Converter converter;
    converter.setBmpFile(bitmap);
    converter.setPNGFile(png);
    if (!converter.Convert())
        fail(png, QStringLiteral("the bitmap %1 could not be converted")
                      .arg(QDir::toNativeSeparators(bitmap)));
}

} // namespace

ImageExport::ImageExport(MapControl &map, LegendControl &legend) : m_map(map), m_legend(legend) {}

QString ImageExport::tempFolder() const
{
    return m_tempFolder.isEmpty() ? QDir::tempPath() : m_tempFolder;
}

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
    const QDir temp(tempFolder());
    {
        TempBitmap map(temp.filePath(QStringLiteral("Map.bmp")));
        TempBitmap legend(temp.filePath(QStringLiteral("Legend.bmp")));
        if (!m_map.ExportMap(MapExportType::Bitmap, map.path(), m_exportScale))
            fail(map.path(), m_map.LastError());
        saveLegend(m_legend, LegendPart::Legend, legend.path());
        convertToPng(legend.path(), files.legend);
        convertToPng(map.path(), files.map);
    }
    TempBitmap legendImage(temp.filePath(QStringLiteral("Legend.bmp")));
    saveLegend(m_legend, LegendPart::LegendImage, legendImage.path());
    convertToPng(legendImage.path(), files.legendImage);
}

void ImageExport::exportWmf(const ExportFiles &files)
{
    // The map and the legends are painted straight onto the metafile device: vectors and
    // text stay vectors, and no bitmap passes through the clipboard or a hidden map.
    if (MapMetafile(m_map, m_exportScale, files.map).isEmpty())
        fail(files.map, QStringLiteral("the metafile could not be written"));
    if (LegendMetafile(m_legend, LegendPart::Legend, files.legend).isEmpty())
        fail(files.legend, QStringLiteral("the metafile could not be written"));
    const QByteArray legendImage =
        LegendMetafile(m_legend, LegendPart::LegendImage, files.legendImage);
    if (legendImage.isEmpty())
        fail(files.legendImage, QStringLiteral("the metafile could not be written"));
    // As the metafiles of an export pass through the clipboard, the last of them stays there.
    if (m_metafileToClipboard)
        SetMetafileClipboard(legendImage, LegendImage(m_legend, LegendPart::LegendImage));
}
