#include "app/output/batchexport.h"

#include "app/driver/logfile.h"
#include "app/driver/showmessage.h"
#include "app/files/messagetable.h"
#include "app/output/imageexport.h"
#include "app/output/phasetimer.h"
#include "app/output/pictures.h"
#include "contracts/legendcontrol.h"
#include "contracts/mapcontrol.h"
#include "contracts/runtimeerror.h"

#include <QFileInfo>

#include <algorithm>
#include <optional>

namespace {

const QString CRLF = QStringLiteral("\r\n");

bool allWritten(const ExportFiles &files)
{
    return QFileInfo(files.map).isFile() && QFileInfo(files.legend).isFile()
           && QFileInfo(files.legendImage).isFile();
}

// The factor the map (or the sheet) is drawn at: -s, or what makes it --width pixels wide.
// None, after a log entry, when the picture would be larger than any picture we write.
std::optional<double> pictureFactor(const QString &outputFile, MapControl &map,
                                    LegendControl &legend, const BatchPictureOptions &options)
{
    double factor = options.exportScale;
    QSize size;
    const QSize content = MapContentRect(map).size();
    if (options.sheet) {
        if (options.width > 0)
            factor = SheetFactorForWidth(content, legend.LegendSize(), options.sheetTexts,
                                         options.width);
        size = LayOutSheet(content, legend.LegendSize(), options.sheetTexts, factor).size;
    } else if (options.width > 0) {
        factor = double(options.width) / std::max(1, content.width());
        size = MapContentPicture(map, MapContentRect(map), factor).size;
    } else {
        size = MapPictureSize(map, factor);
    }
    if (options.width <= 0 || std::max(size.width(), size.height()) <= kLargestPictureSide)
        return factor;
    WriteBatchLog(QStringLiteral("Export to %1 failed: the picture would be %2 x %3 pixels; "
                                 "--width allows at most %4 on either side")
                      .arg(outputFile)
                      .arg(size.width())
                      .arg(size.height())
                      .arg(kLargestPictureSide));
    return std::nullopt;
}

} // namespace

bool RunBatchExport(const QString &outputFile, MapControl &map, LegendControl &legend,
                    double exportScale)
{
    BatchPictureOptions options;
    options.exportScale = exportScale;
    return RunBatchExport(outputFile, map, legend, options);
}

bool RunBatchExport(const QString &outputFile, MapControl &map, LegendControl &legend,
                    const BatchPictureOptions &options)
{
    // The base ends at the extension of the file name, not at the first "." of the path, so
    // that "./out/map.png" and "maps.v2/map.png" write where they say.
    const OutputName name = SplitOutputName(outputFile);
    const std::optional<ImageFormat> format = ImageFormatOf(name.extension);

    // The legend shows the map as it is now; the map itself is painted afresh below.
    legend.Refresh();
    if (!format) {
        ReportBatchFailure(MessageText(QStringLiteral("WrongExtension")) + QStringLiteral(": ")
                      + name.extension + CRLF + QStringLiteral("(BMP/PNG/WMF)"));
        return false;
    }
    PhaseTimer::Mark("view");
    const std::optional<double> factor = pictureFactor(outputFile, map, legend, options);
    if (!factor)
        return false;
    try {
        if (options.sheet) {
            WritePictureFile(SheetPicture(map, legend, options.sheetTexts, *factor), *format,
                             outputFile);
        } else if (options.width > 0) {
            // The map at its own aspect, as wide as asked; the legends at their own size.
            const ExportFiles files = ExportFileNames(name.base, name.extension);
            WritePictureFile(MapContentPicture(map, MapContentRect(map), *factor), *format,
                             files.map);
            WritePictureFile(LegendPicture(legend, LegendPart::Legend), *format, files.legend);
            WritePictureFile(LegendPicture(legend, LegendPart::LegendImage), *format,
                             files.legendImage);
        } else {
            ImageExport exporter(map, legend);
            exporter.setExportScale(*factor);
            exporter.Export(name.base, *format);
        }
    } catch (const RunTimeError &error) {
        // In batch mode the error report goes to the log (and stderr), never to a box.
        ShowMessage(QStringLiteral("Chorel (mnuExport)"), 16, error);
        return false;
    }
    PhaseTimer::Mark("export");
    if (options.sheet)
        return QFileInfo(outputFile).isFile();
    const ExportFiles files = ExportFileNames(name.base, name.extension);
    if (!allWritten(files)) {
        ReportBatchFailure(QStringLiteral("Export to %1 failed: not all three files were written")
                          .arg(outputFile));
        return false;
    }
    return true;
}
