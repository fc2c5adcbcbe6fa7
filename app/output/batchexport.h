#pragma once

#include <QString>

class LegendControl;
class MapControl;

// The export at the end of a batch run: the shown map, its legend and its legend image go to
// outputFile (the map, enlarged by exportScale), base + "L." + X and base + "LI." + X, where X
// is the extension of outputFile's file name ("bmp", "wmf" or "png") and base the path
// without it. Nothing opens a window or a message box: every failure is written to the log
// (a wrong extension as "Wrong extension: X" and "(BMP/PNG/WMF)").
//
// True exactly when all three files were written; the batch run then ends with exit code 0,
// otherwise with 1.
bool RunBatchExport(const QString &outputFile, MapControl &map, LegendControl &legend,
                    double exportScale);
