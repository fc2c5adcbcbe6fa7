#pragma once

#include "app/output/vectorfiles.h"
#include "platform/mapcontrol/regionsink.h"

#include <QHash>
#include <QList>
#include <QPaintDevice>
#include <QString>

#include <memory>

class PageMapEngine;

// One element of the page's map as the map painter drew it.
struct PageMapElement {
    QString tag;      // "path", "circle" or "ellipse"
    QString geometry; // its geometry attributes: d="..." or cx="..." cy="..." r="..."
    int style = 0;    // index into PageMapDrawing::styles
    int layer = -1;   // the map layer it belongs to; -1 for none
    int record = -1;  // the region (record of the layer) it shows; -1 for none
    int symbol = -1;  // the renderer's symbol it is drawn with; -1 for none
    int overlay = -1; // position in a list drawn over the layers (a circle map's circles)
};

// The map of a picture as the web page holds it: elements in drawing order, their shared
// styles, and the picture's size. Coordinates are whole tenths of a pixel of the picture, the
// precision of the SVG output, written under a scale of 1/10.
struct PageMapDrawing {
    QSize size;
    QList<PageMapElement> elements;
    QStringList styles; // CSS declarations: "fill:#e0ecf4;stroke:#808080;stroke-width:1px"
    QHash<int, std::vector<int>> symbols; // by layer: the symbol of each record
};

// A paint device that records what the map painter draws as SVG elements for a web page: one
// element per drawn region, tagged with its layer, record and symbol (the painter tells the
// device through RegionSink), in the painter's own drawing order, colours and outlines. It
// stands in for the SVG generator: the painter draws onto it as onto an SVG file.
class PageMapDevice : public QPaintDevice, public RegionSink {
public:
    explicit PageMapDevice(const QSize &size);
    ~PageMapDevice() override;

    QPaintEngine *paintEngine() const override;
    void beginRegion(int layerIndex, int record, int symbolIndex) override;
    void beginOverlayShape(int position) override;
    void layerSymbols(int layerIndex, const std::vector<int> &symbols) override;

    // What was drawn; the device is empty afterwards.
    PageMapDrawing takeDrawing();

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    friend class PageMapEngine;
    QSize m_size;
    std::unique_ptr<PageMapEngine> m_engine;
    PageMapDrawing m_drawing;
    QHash<QString, int> m_styleIndex;
    int m_layer = -1, m_record = -1, m_symbol = -1, m_overlay = -1;
};

// Paints the picture onto a page map device.
PageMapDrawing DrawPageMap(const Picture &picture);
