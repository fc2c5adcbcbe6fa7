#pragma once

#include "app/output/mapfigures.h"
#include "app/output/sheet.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class LegendControl;
class MapControl;

// What the long switches ask of the pictures of a batch run.
struct BatchPictureOptions {
    double exportScale = 1.0; // -s: factor of the map picture
    int width = 0;            // --width: width of the map picture or the sheet; 0 lets -s decide
    bool sheet = false;       // --sheet: one composed picture instead of three files
    SheetTexts sheetTexts;
    // The map's figures, region by region: the web page's content and the description that
    // SVG and PDF files carry. None for the other formats.
    std::optional<MapFigures> figures;
    // A circle map: the record of the thematic layer each circle shows, in drawing order.
    QList<int> circleRecords;
    // The files the run reads; no output may be one of them (outputguard.h).
    QStringList inputFiles;
};

// The largest side of a picture that --width may ask for.
inline constexpr int kLargestPictureSide = 16000;

// The export at the end of a batch run: the shown map, its legend and its legend image go to
// outputFile (the map, enlarged by exportScale), base + "L." + X and base + "LI." + X, where X
// is the extension of outputFile's file name ("bmp", "wmf" or "png") and base the path
// without it. Nothing opens a window or a message box: every failure is written to the log
// and to stderr (a wrong extension as WrongExtensionText says, a file that cannot be written
// with its name and the system's reason). Outputs that OutputRefusal refuses end the export
// before anything is written.
//
// True exactly when all three files were written; the batch run then ends with exit code 0,
// otherwise with 1.
bool RunBatchExport(const QString &outputFile, MapControl &map, LegendControl &legend,
                    double exportScale);

// The same with the long switches' options: with a sheet, outputFile alone is written (in any
// of the formats); a web page (".html") is one file too, with the map, its legend, title,
// statistic and source line (the figures must be given); with a width, the map picture (or the sheet) is that many pixels wide and
// the height follows, everything drawn larger or smaller as by -s. The map picture of a sheet
// or of a width shows the part of the map the layers cover, at the map's own aspect.
bool RunBatchExport(const QString &outputFile, MapControl &map, LegendControl &legend,
                    const BatchPictureOptions &options);
