#pragma once

#include "contracts/mapstatistics.h"
#include "contracts/mapsymbol.h"

#include <QSize>
#include <QString>

class MapControl;
class QPainter;

// What the program relies on from the legend control. The concrete control is the widget
// LegendWidget (platform/legend), which adds the events as Qt signals:
//   SymbolClicked(int layerIndex, int symbolIndex) - the user clicked a class symbol;
//   EntryActivated(int layerIndex) - the user double-clicked an entry.
//
// The legend shows one entry per layer of the attached map, top layer first. An entry of a
// layer with a class-breaks renderer shows the layer's title and per class a symbol patch with
// its value range, lowest class first, then "No data" when shown; an entry marked as circles
// shows the largest and the smallest circle with their texts and values; other layers show
// their own symbol. SymbolClicked reports the renderer's symbol index when "No data" is
// shown and one less when it is hidden (the hidden symbol 0 is not counted).
class LegendControl {
public:
    virtual ~LegendControl();

    // The map whose layers are explained (none detaches).
    virtual void setMapSource(MapControl *map) = 0;
    // Rebuilds the entries from the map's layers (call after the layers or renderers
    // changed); per-layer settings of layers still present are kept.
    virtual void LoadLegend() = 0;
    // Repaints with the current settings.
    virtual void Refresh() = 0;

    // Values the ranges are formatted from: the statistics of the shown field, and the
    // overall maximum and minimum (the first class starts at the minimum, the last ends at
    // the maximum).
    virtual void setStatistics(const MapStatistics &statistics) = 0;
    virtual void setMaximum(double value) = 0;
    virtual void setMinimum(double value) = 0;
    virtual void setFieldName(const QString &field) = 0;

    // Per layer (by map index): a title; whether the entry shows circles instead of
    // classes; whether the entry is shown at all; whether its classes are shown (expanded)
    // or only its title.
    virtual void setLayerTitle(int layerIndex, const QString &title) = 0;
    virtual void setLayerCircles(int layerIndex, bool circles) = 0;
    virtual void setLayerShown(int layerIndex, bool shown) = 0;
    virtual void setLayerExpanded(int layerIndex, bool expanded) = 0;

    // Number formats of the ranges: "##,##0" or "##,##0." followed by one "0" per decimal;
    // the format for whole numbers; the number of decimals (the step between the top of one
    // class and the bottom of the next is one unit of the last decimal).
    virtual void setNumberFormat(const QString &format) = 0;
    virtual void setNoDecimalFormat(const QString &format) = 0;
    virtual void setNumDecimals(int decimals) = 0;

    virtual void setNoDataText(const QString &text) = 0;
    virtual void setShowNoData(bool show) = 0;
    virtual void setLargestSymbolText(const QString &text) = 0;
    virtual void setSmallestSymbolText(const QString &text) = 0;
    // Circles of the circle entry: diameters in map units (drawn at the map's current
    // scale) and fill colour. Without them the circles are drawn 40 and, in proportion of
    // the square roots of the maximum and minimum, fewer pixels across.
    virtual void setCircleSymbols(double largestDiameter, double smallestDiameter,
                                  MapColor color) = 0;

    // Display options: the field name under the title, the number of regions per class,
    // a frame around the legend.
    virtual void setShowFieldName(bool show) = 0;
    virtual void setShowCounts(bool show) = 0;
    virtual void setShowFrame(bool show) = 0;

    // Output. The legend (titles, symbols and ranges) and the legend image (the symbols
    // alone, one patch per class in a row) as bitmap files; flags: 1 draws a frame around
    // the picture. False, with LastError(), when the file could not be written.
    virtual bool SaveLegend(const QString &path, int flags) = 0;
    virtual bool SaveLegendImage(const QString &path, int flags) = 0;
    // The legend as text: per shown entry its title, then one line per class with its range
    // (or per circle its text and value); lines end with carriage return and line feed.
    virtual QString LegendText() const = 0;
    // Size of the legend and legend image pictures in pixels; painting onto any painter.
    virtual QSize LegendSize() const = 0;
    virtual QSize LegendImageSize() const = 0;
    virtual void PaintLegend(QPainter &painter) = 0;
    virtual void PaintLegendImage(QPainter &painter) = 0;
    virtual QString LastError() const = 0;
};
