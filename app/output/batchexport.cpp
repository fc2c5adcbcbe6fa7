#include "app/output/batchexport.h"

#include "app/driver/logfile.h"
#include "app/driver/showmessage.h"
#include "app/files/messagetable.h"
#include "app/output/imageexport.h"
#include "app/output/phasetimer.h"
#include "contracts/legendcontrol.h"
#include "contracts/mapcontrol.h"
#include "contracts/runtimeerror.h"

#include <QFileInfo>

namespace {

const QString CRLF = QStringLiteral("\r\n");

bool allWritten(const ExportFiles &files)
{
    return QFileInfo(files.map).isFile() && QFileInfo(files.legend).isFile()
           && QFileInfo(files.legendImage).isFile();
}

} // namespace

bool RunBatchExport(const QString &outputFile, MapControl &map, LegendControl &legend,
                    double exportScale)
{
    // The base ends at the extension of the file name, not at the first "." of the path, so
    // that "./out/map.png" and "maps.v2/map.png" write where they say.
    const OutputName name = SplitOutputName(outputFile);
    const std::optional<ImageFormat> format = ImageFormatOf(name.extension);

    // The legend shows the map as it is now; the map itself is painted afresh below.
    legend.Refresh();
    if (!format) {
        WriteBatchLog(MessageText(QStringLiteral("WrongExtension")) + QStringLiteral(": ")
                      + name.extension + CRLF + QStringLiteral("(BMP/PNG/WMF)"));
        return false;
    }
    PhaseTimer::Mark("view");
    try {
        ImageExport exporter(map, legend);
        exporter.setExportScale(exportScale);
        exporter.Export(name.base, *format);
    } catch (const RunTimeError &error) {
        // In batch mode the error report goes to the log (and stderr), never to a box.
        ShowMessage(QStringLiteral("Chorel (mnuExport)"), 16, error);
        return false;
    }
    PhaseTimer::Mark("export");
    const ExportFiles files = ExportFileNames(name.base, name.extension);
    if (!allWritten(files)) {
        WriteBatchLog(QStringLiteral("Export to %1 failed: not all three files were written")
                          .arg(outputFile));
        return false;
    }
    return true;
}
