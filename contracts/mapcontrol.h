#pragma once

#include "contracts/maplabels.h"
#include "contracts/maplayer.h"

#include <QList>
#include <QSize>
#include <QString>

#include <memory>

class QPainter;
class QPrinter;

// Mouse pointers of the map control.
enum MapMousePointer : int {
    DefaultPointer = 0,
    ArrowPointer = 1,
    CrossPointer = 2,
    WaitPointer = 11,
    ZoomInPointer = 51,
    ZoomOutPointer = 52,
    PanPointer = 53,
    PanningPointer = 54,
    InfoPointer = 55,
};

enum class MapExportType { Bitmap, Metafile };

// What the program relies on from the map control. The concrete control is the widget
// MapWidget (platform/mapcontrol), which adds the events as Qt signals:
//   BeforeLayerDraw(int index), AfterLayerDraw(int index) - during every painting of the
//   map (screen, export, print), layers from the highest index down to 0, so index 0
//   arrives last; DrawShape() draws onto that painting while AfterLayerDraw runs;
//   MouseDown/MouseUp/MouseMove(int button, int shift, double x, double y) in pixels.
class MapControl {
public:
    virtual ~MapControl();

    // Layers. Index 0 is the top layer (drawn last). AddLayer puts the new layer on top:
    // it becomes index 0 and the layers before it move up by one, so the first layer added
    // for a map ends with the highest index.
    virtual int LayerCount() const = 0;
    virtual std::shared_ptr<MapLayer> Layer(int index) const = 0;
    virtual void AddLayer(std::shared_ptr<MapLayer> layer) = 0;
    // Reads a shapefile (.shp with .shx and .dbf) and adds it as above. None (with the
    // reason in *error) when it cannot be read; the layers are then unchanged.
    virtual std::shared_ptr<MapLayer> AddShapefileLayer(const QString &path,
                                                        QString *error = nullptr) = 0;
    virtual void RemoveLayer(int index) = 0;
    virtual void ClearLayers() = 0;

    // The area shown. Setting it shows the whole rectangle, centred, the other axis widened
    // to the control's aspect; reading gives that widened rectangle.
    virtual MapRectangle Extent() const = 0;
    virtual void SetExtent(const MapRectangle &extent) = 0;
    // The extent of all layers.
    virtual MapRectangle FullExtent() const = 0;
    // Redraws at once.
    virtual void Refresh() = 0;

    // Pixel position in the control <-> map point.
    virtual MapPoint ToMapPoint(double x, double y) const = 0;
    virtual QPointF FromMapPoint(const MapPoint &p) const = 0;
    // Width and height of the control in pixels.
    virtual QSize ControlSize() const = 0;

    virtual int MousePointer() const = 0;
    virtual void SetMousePointer(int pointer) = 0;

    // Called from a mouse-down handler: lets the user drag a rubber-band rectangle until
    // the button is released and returns it in map units (width or height 0 for a click).
    virtual MapRectangle TrackRectangle() = 0;
    // Called from a mouse-down handler: moves the map with the mouse until the button is
    // released; the extent then is the moved one.
    virtual void Pan() = 0;

    // Draws one shape with one symbol onto the picture being painted; only effective while
    // the after-layer-draw event runs (otherwise it does nothing).
    virtual void DrawShape(const MapShape &shape, const MapSymbol &symbol) = 0;
    // Draws many shapes with one symbol, as DrawShape does each; a control may draw them
    // in one batch.
    virtual void DrawShapes(const QList<MapShape> &shapes, const MapSymbol &symbol)
    {
        for (const MapShape &shape : shapes)
            DrawShape(shape, symbol);
    }
    // Lets the shape blink count times on screen.
    virtual void FlashShape(const MapShape &shape, int count) = 0;

    // Paints the map as the screen shows it onto any painter (image, printer, SVG,
    // metafile): the control's size times scaleFactor in device pixels, the same extent,
    // lines widened by scaleFactor; the after-layer-draw events fire as on screen.
    virtual void PaintMap(QPainter &painter, double scaleFactor) = 0;
    // Writes the picture as a bitmap (.bmp) file of the control's size times scaleFactor;
    // an empty path puts the picture on the clipboard. Metafiles are written by handing a
    // metafile paint device to PaintMap; this call refuses MapExportType::Metafile.
    // False, with LastError(), when nothing was written.
    virtual bool ExportMap(MapExportType type, const QString &path, double scaleFactor) = 0;
    // Prints the map on the printer, fitted to its page with the aspect kept.
    virtual bool PrintMap(QPrinter &printer, const QString &documentName, bool landscape) = 0;
    virtual QString LastError() const = 0;

    // Region labels drawn on every picture of the map (none by default): placed anew at
    // each painting, so after a zoom too. LastLabelPlacement() tells what the last painting
    // placed.
    virtual void SetLabels(MapLabels labels) { (void)labels; }
    virtual LabelPlacement LastLabelPlacement() const { return {}; }
    // Outlines that thin and lighten when the regions are small on the picture.
    virtual void SetOutlineAuto(bool on) { (void)on; }
};
