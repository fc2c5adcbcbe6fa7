#pragma once

#include <vector>

// A paint device that needs to know which region each shape it receives shows (the web page's
// map, whose regions answer pointing and the keyboard) implements this beside QPaintDevice.
// The map painter finds it on the painter's device and tells it before it draws each shape,
// so that the page's picture comes from the same painting as every other picture of the map.
class RegionSink {
public:
    virtual ~RegionSink();

    // The shapes drawn next show record `record` of the map's layer `layerIndex`, drawn with
    // the renderer's symbol `symbolIndex` (0 for a layer without a renderer). Record -1: what
    // follows belongs to no single region, such as the outlines of a layer's regions of that
    // symbol, stroked together; layerIndex -1: nothing of a layer.
    virtual void beginRegion(int layerIndex, int record, int symbolIndex) = 0;
    // The shape drawn next is the position-th (from 0) of a list drawn over the layers with one
    // symbol, such as the circles of a circle map in their order.
    virtual void beginOverlayShape(int position) = 0;
    // Before a layer is drawn: the renderer's symbol of each of its records (by record), also
    // of those that are not drawn (out of view, or too small to keep a shape).
    virtual void layerSymbols(int layerIndex, const std::vector<int> &symbols) = 0;
};
