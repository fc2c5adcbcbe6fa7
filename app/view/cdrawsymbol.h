#pragma once

#include "contracts/maprecordset.h"
#include "contracts/mapshape.h"
#include "contracts/mapsymbol.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

class CReadMapFile;
class MapControl;
class MapWidget;
class QAction;
struct ViewContext;
struct ViewValues;

// Proportional circles of a circle map. One filled circle per region with data, centred on
// the region's centroid, whose area is proportional to the region's value; all circles
// together cover CirclePercent % of the summed area of the regions. The circles are computed
// once per view build (Calculate) and drawn onto the map each time the map has painted its
// layers (Draw, from the map's after-layer-draw event), so they show on screen and in every
// exported or printed picture alike.
class CDrawSymbol {
public:
    CDrawSymbol() = default;
    CDrawSymbol(const CDrawSymbol &) = delete;
    CDrawSymbol &operator=(const CDrawSymbol &) = delete;

    // Share of the summed region area that all circles together cover, in percent.
    std::int16_t CirclePercent = 10;
    // Where the circles are drawn.
    MapControl *mMap = nullptr;
    // The regions to draw, in drawing order (largest value first).
    std::unique_ptr<MapRecordset> recData;

    // Builds the circle list from recData and the values of the layer-table field. ok is
    // false (and the list stays empty) when the values sum to 0 or the field is not numeric.
    // A floating-point overflow raises RunTimeError 6.
    void Calculate(const QString &field, bool &ok);

    // Draws every circle of the list on mMap, largest first. minimumSize is the map scale
    // number S: a circle narrower than S / 1000 map units is drawn that wide instead, except
    // circles of width 0. color is the fill colour, style the fill style (0: solid).
    void Draw(std::int32_t minimumSize, MapColor color, int style, bool &ok);

    // The circles, one per record of recData, in record order.
    const QList<MapShape> &Shapes() const { return m_shapes; }

    // Diameters in map units of the circle of the largest value and of the smallest value
    // (the first and last of the list); 0 without circles. Used by the circle legend.
    double LargestDiameter() const;
    double SmallestDiameter() const;

    // The smallest value that got a circle (the last of the list); none without circles.
    std::optional<double> SmallestValue() const { return m_smallestValue; }

    // The circle actually drawn for shape at the map scale S (the minimum-size rule).
    static MapShape DrawnCircle(const MapShape &shape, double scale);

private:
    double circleArea(double value, double minimum, double factor) const;

    QList<MapShape> m_shapes;
    std::optional<double> m_smallestValue;
};

// The search expression of the regions that get a circle: those with data (above the null
// value) whose value is 0 or more, since a circle's area cannot be negative.
QString CircleExpression(const QString &field, std::int32_t nullValue);

// Prepares the circles of a circle map when the view is built: replaces the symbol drawer of
// the view values by a new drawer holding the regions of the thematic layer with data and a
// value of 0 or more (CircleExpression), largest first, and computes their circles with the
// percentage. A batch run says on stderr how many regions with data get no circle. False (and no drawer) when the layer gives no selection, so that the map is
// drawn as a choropleth.
bool PrepareSymbols(ViewValues &values, int percentage, int mapNumber, MapControl &map,
                    CReadMapFile &mapDefinition);

// The circle drawing of the after-layer-draw event: once layer 0 (the last one) has been
// painted, draws the circles of the drawer (when there is one and a circle map is shown) at
// the given map scale number. Returns whether circles were drawn.
bool DrawSymbolsAfterLayer(int layerIndex, CDrawSymbol *symbolDrawer, bool circleMap,
                           double scale, MapColor symbolColor);

// Hooks the main window onto the map's drawing events. Before the layer with the highest
// index is drawn the map shows the wait pointer; after layer 0 the button "PrevExtent" is
// enabled when the navigator holds a previous extent, the circles of a circle map are drawn
// at the navigator's map scale in the view's symbol colour, and the pointer is restored. The
// map fires these events for every picture it paints (screen, export, print), so the
// circles are in all of them.
void ConnectMapDrawEvents(MapWidget &map, ViewContext &context, QAction *prevExtent);
