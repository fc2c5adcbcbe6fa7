#include "app/output/batchexport.h"

#include "app/runtime/showmessage.h"
#include "app/runtime/messagetable.h"
#include "app/output/imageexport.h"
#include "app/output/outputguard.h"
#include "app/runtime/phasetimer.h"
#include "app/output/pictures.h"
#include "app/output/webpage.h"
#include "platform/legend/legendwidget.h"
#include "contracts/legendcontrol.h"
#include "contracts/mapcontrol.h"
#include "contracts/runtimeerror.h"

#include <QDir>
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

bool webPage(const QString &outputFile)
{
    return SplitOutputName(outputFile).extension == QLatin1String("html");
}

// The factor the map (or the sheet) is drawn at: -s, or what makes it --width pixels wide.
// None, after a log entry, when the picture would be larger than any picture we write.
std::optional<double> pictureFactor(const QString &outputFile, MapControl &map,
                                    LegendControl &legend, const BatchPictureOptions &options)
{
    double factor = options.exportScale;
    QSize size;
    const QSize content = MapContentRect(map).size();
    if (options.sheet && !webPage(outputFile)) {
        if (options.width > 0)
            factor = SheetFactorForWidth(content, legend.LegendSize(), options.sheetTexts,
                                         options.width);
        size = LayOutSheet(content, legend.LegendSize(), options.sheetTexts, factor).size;
    } else if (options.width > 0 || webPage(outputFile)) {
        // A web page shows the part of the map the layers cover, as --width does.
        if (options.width > 0)
            factor = double(options.width) / std::max(1, content.width());
        size = MapContentPicture(map, MapContentRect(map), factor).size;
    } else {
        size = MapPictureSize(map, factor);
    }
    if (options.width <= 0 || std::max(size.width(), size.height()) <= kLargestPictureSide)
        return factor;
    ReportBatchFailure(QStringLiteral("Export to %1 failed: the picture would be %2 x %3 pixels; "
                                 "--width allows at most %4 on either side")
                      .arg(outputFile)
                      .arg(size.width())
                      .arg(size.height())
                      .arg(kLargestPictureSide));
    return std::nullopt;
}

// The web page: the part of the map the layers cover at the factor, the legend as the legend
// control lays it out, the figures and their description.
bool exportWebPage(const QString &outputFile, MapControl &map, LegendControl &legend,
                   const BatchPictureOptions &options, double factor)
{
    const auto *legendWidget = dynamic_cast<const LegendWidget *>(&legend);
    if (!options.figures || !legendWidget) {
        ReportBatchFailure(QStringLiteral("Export to %1 failed: the map has no regions to show")
                               .arg(outputFile));
        return false;
    }
    WebPageContent content;
    content.figures = *options.figures;
    content.description = DescribeMap(content.figures);
    content.circleRecords = options.circleRecords;
    QString error;
    if (!WriteWebPage(MapContentPicture(map, MapContentRect(map), factor), legendWidget->layout(),
                      content, outputFile, &error)) {
        ReportBatchFailure(error);
        return false;
    }
    PhaseTimer::Mark("export");
    return true;
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

    if (webPage(outputFile)) {
        const QString refusal = OutputRefusal(outputFile, options.inputFiles);
        if (!refusal.isEmpty()) {
            ReportBatchFailure(refusal);
            return false;
        }
        // The legend shows the map as it is now; the map itself is painted afresh.
        legend.Refresh();
        PhaseTimer::Mark("view");
        const std::optional<double> factor = pictureFactor(outputFile, map, legend, options);
        return factor && exportWebPage(outputFile, map, legend, options, *factor);
    }
    if (!format) {
        ReportBatchFailure(WrongExtensionText(name.extension));
        return false;
    }
    // Every file of the export is checked before the first is written.
    const ExportFiles names = ExportFileNames(name.base, name.extension);
    const QString refusal = OutputsRefusal(
        options.sheet ? QStringList{outputFile}
                      : QStringList{names.map, names.legend, names.legendImage},
        options.inputFiles);
    if (!refusal.isEmpty()) {
        ReportBatchFailure(refusal);
        return false;
    }
    // The legend shows the map as it is now; the map itself is painted afresh below.
    legend.Refresh();
    PhaseTimer::Mark("view");
    const std::optional<double> factor = pictureFactor(outputFile, map, legend, options);
    if (!factor)
        return false;
    // SVG and PDF files carry the map described in a sentence.
    const QString description = options.figures && (*format == ImageFormat::Svg || *format == ImageFormat::Pdf)
                                    ? DescribeMap(*options.figures)
                                    : QString();
    try {
        if (options.sheet) {
            WritePictureFile(SheetPicture(map, legend, options.sheetTexts, *factor), *format,
                             outputFile, description);
        } else if (options.width > 0) {
            // The map at its own aspect, as wide as asked; the legends at their own size.
            const ExportFiles files = ExportFileNames(name.base, name.extension);
            WritePictureFile(MapContentPicture(map, MapContentRect(map), *factor), *format,
                             files.map, description);
            WritePictureFile(LegendPicture(legend, LegendPart::Legend), *format, files.legend);
            WritePictureFile(LegendPicture(legend, LegendPart::LegendImage), *format,
                             files.legendImage);
        } else {
            ImageExport exporter(map, legend);
            exporter.setExportScale(*factor);
            exporter.setDescription(description);
            exporter.Export(name.base, *format);
        }
    } catch (const RunTimeError &error) {
        // The file and the system's reason, on stderr and in the log; never a box.
        ReportBatchFailure(QStringLiteral("Export to %1 failed: %2")
                               .arg(QDir::toNativeSeparators(outputFile), error.description()));
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
