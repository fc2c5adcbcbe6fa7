#pragma once

#include "contracts/maplabels.h"
#include "contracts/maplayer.h"
#include "platform/mapcontrol/ellipserings.h"
#include "platform/mapcontrol/regionsink.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QPainterPath>
#include <QSize>
#include <QTransform>

#include <functional>
#include <memory>

class QPainter;

// Paints map layers onto any QPainter (widget, image, printer, SVG, metafile): the one
// painting routine of the map control, so that every picture of the map is the same.
// Layers are painted from the highest index down to 0; around each layer the before and
// after events are called, and during the after event drawShape() draws onto the picture.
class MapPainter {
public:
    using LayerEvent = std::function<void(int layerIndex)>;

    // extent is the area shown (already of the target's aspect, see fitExtent); size the
    // target in the painter's units; lineScale widens lines and markers. A picture of the
    // map at another size is drawn with the size and lineScale both multiplied by the same
    // factor: it then looks like the map at its own size drawn bigger (outlines as wide in
    // proportion, still crisp), at a cost that grows with its pixels and vertices only.
    MapPainter(QList<std::shared_ptr<MapLayer>> layers, const MapRectangle &extent,
               const QSize &size, double lineScale = 1.0);

    void setBeforeLayerDraw(LayerEvent event) { m_before = std::move(event); }
    void setAfterLayerDraw(LayerEvent event) { m_after = std::move(event); }
    void setBackground(const QColor &color) { m_background = color; }
    // An image kept between pictures for drawing wide outlines (see CrispOutlines), so that
    // redraws of a window neither make nor clear a picture-sized image each time.
    void setOutlineBuffer(QImage *buffer) { m_outlineBuffer = buffer; }
    // Region labels drawn over the layers (and over what the after events draw), placed at
    // each paint(). textScale: painter units per pixel of the labels (the device pixel ratio
    // on screen; 1 for pictures, whose labels keep their size in pixels at any factor); on a
    // device finer than 96 dots an inch (a printer) it is multiplied by its dots per 1/96 inch.
    // The labels must outlive paint().
    void setLabels(const MapLabels *labels, double textScale = 1.0)
    {
        m_labels = labels;
        m_textScale = textScale > 0.0 ? textScale : 1.0;
    }
    const LabelPlacement &labelPlacement() const { return m_placement; }
    // Outlines of filled areas thin and lighten when the median region is small on the
    // picture (see kDenseRegion), so that the class colours stay readable.
    void setOutlineAuto(bool on) { m_outlineAuto = on; }

    // Paints the background and the layers into the rectangle (0, 0, size) of the painter.
    void paint(QPainter &painter);
    // Draws one shape with one symbol; only while paint() runs, otherwise nothing happens.
    void drawShape(const MapShape &shape, const MapSymbol &symbol);
    // Draws many shapes with one symbol, setting up the painter once for all of them.
    void drawShapes(const QList<MapShape> &shapes, const MapSymbol &symbol);
    // Draws one shape onto the given painter with this painter's transform (for overlays).
    void drawShape(QPainter &painter, const MapShape &shape, const MapSymbol &symbol);
    bool isPainting() const { return m_painter != nullptr; }

    // Map units -> target units.
    QTransform transform() const { return m_transform; }

    // The rectangle shown when `requested` is to be shown whole in a target of the size:
    // centred on the requested centre, the other axis widened to the target's aspect.
    static MapRectangle fitExtent(const MapRectangle &requested, const QSize &size);

    // Qt pen and brush of a symbol for an area, a line and a point marker.
    static QBrush areaBrush(const MapSymbol &symbol);
    QPen outlinePen(const MapSymbol &symbol) const;
    // Width of the symbol's outline or line in the painter's units: its size (at least 1)
    // times lineScale, rounded to whole device pixels on bitmaps (crisp, the same width
    // everywhere); unrounded on vector devices (printer, PDF, SVG, metafile).
    double lineWidth(const MapSymbol &symbol) const;

private:
    // Vertices of layers on SVG and PDF pictures are whole numbers of 1/kVectorGrid target
    // units (a tenth of a pixel of the picture: finer than any print or zoom shows).
    static constexpr double kVectorGrid = 10.0;
    static constexpr int kPixelsPerInch = 96; // a pixel of the map's pictures
    class LayerShapes;
    void paintLayer(const MapLayer &layer);
    std::vector<int> symbolIndexes(const MapLayer &layer, int count) const;
    void fillAreas(const LayerShapes &shapes, const std::vector<int> &groups,
                   const std::vector<MapSymbol> &symbols);
    void strokeRings(const LayerShapes &shapes, const std::vector<int> &groups,
                     const std::vector<MapSymbol> &symbols, bool lines);
    void drawMarker(const QPointF &centre, const MapSymbol &symbol);
    void drawPrepared(const MapShape &shape, const MapSymbol &symbol);
    bool thinOutline(const MapSymbol &symbol) const;
    void setTarget(QPainter &painter);
    void paintLabels(QPainter &painter);
    void fitOutlines(const LayerShapes &shapes, std::vector<MapSymbol> &symbols);

    QList<std::shared_ptr<MapLayer>> m_layers;
    MapRectangle m_extent;
    QSize m_size;
    double m_lineScale;
    double m_deviceScale = 1.0; // device pixels per painter unit
    bool m_wholePixels = false; // the target is a bitmap: widths in whole device pixels
    double m_vectorGrid = 1.0;  // SVG and PDF: layers' vertices in whole 1/kVectorGrid units
    double m_gridNow = 1.0;     // the grid the painter is scaled to while a layer is drawn
    bool m_ellipsePolygons = false; // ... drawn without rotation or stretching: EllipseRings
    EllipseRings m_ellipses;
    QImage *m_outlineBuffer = nullptr;
    QTransform m_transform;
    QColor m_background = Qt::white;
    LayerEvent m_before;
    LayerEvent m_after;
    QPainter *m_painter = nullptr;
    RegionSink *m_sink = nullptr; // the painter's device, when it wants to know the regions
    int m_layerNow = -1;          // index of the layer being painted
    QPolygonF m_ring; // one ring in target units, reused
    const MapLabels *m_labels = nullptr;
    double m_textScale = 1.0;
    LabelPlacement m_placement;
    bool m_outlineAuto = false;
    double m_widthShare = 1.0; // outlines thinned on vector targets by the automatic outline
};
