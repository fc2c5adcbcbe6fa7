#pragma once

#include "app/output/vectorfiles.h"

#include <QRectF>
#include <QSize>
#include <QSizeF>
#include <QString>

class LegendControl;
class MapControl;

// The texts of a sheet: the statistics file's title, the shown statistic's name and the
// source line ("Source: FILE, period P").
struct SheetTexts {
    QString title;
    QString statistic;
    QString source;
    // Metres in one map unit when the map's units are known (a projected map); 0: unknown, the
    // sheet then has no scale bar. miles: the bar in miles instead of kilometres.
    double metresPerUnit = 0.0;
    bool miles = false;
};

// Where the parts of a sheet lie, in pixels of the sheet at the given factor. The sheet at
// factor 1 has the map at the map control's size and the legend at its own; every length,
// line and letter of a sheet at another factor is that many times as large.
struct SheetLayout {
    double factor = 1.0;
    QSize size;
    QRectF title;     // the title, wrapped to the width of map and legend
    QRectF statistic; // the statistic's name under it
    QRectF map;
    QRectF legend;
    QRectF source;
    QRectF scaleBar; // the row of the scale bar under the map; empty without one
    bool legendBeside = true; // beside the map when it is not taller than the map, else below
};

// The layout for a map picture and a legend of these sizes at factor 1.
SheetLayout LayOutSheet(const QSize &mapSize, const QSizeF &legendSize, const SheetTexts &texts,
                        double factor);

// The factor that makes the sheet width pixels wide.
double SheetFactorForWidth(const QSize &mapSize, const QSizeF &legendSize,
                           const SheetTexts &texts, int width);

// The sheet of the shown map as a picture: title, map, legend and source line on white. The
// map part is the map control's picture without its empty bands (MapContentRect).
Picture SheetPicture(MapControl &map, LegendControl &legend, const SheetTexts &texts,
                     double factor);

// The scale bar of a map shown at mapUnitsPerPixel (of the sheet): its length in pixels and
// its text ("50 km"), for a bar of a round length (1, 2 or 5 times a power of ten) at most
// longest pixels long. Empty text when there is none (units unknown, or no round length fits).
struct ScaleBar {
    double length = 0.0;
    QString text;
};
ScaleBar MakeScaleBar(double mapUnitsPerPixel, double metresPerUnit, bool miles, double longest);
