#pragma once

#include "contracts/mapcontrol.h"

#include <QList>
#include <QSize>

#include <cstdint>

class QScreen;

// Navigation of a map control: zoom in and out by a dragged rectangle, pan, full extent,
// step zoom, zoom to a set of features, a history of the last 10 extents, and the map scale
// (1 : n) for the screen the map is shown on. Map units are taken to be metres.
//
// Errors of the map control, and calls without a map, reach the caller as RunTimeError
// from ZoomIn, ZoomOut, FullExtent, Pan, StepZoom, PreviousExtent, GetCoordinates and
// ZoomToSelected. GetScale and SetScale never fail.
class ScaleHandler {
public:
    ScaleHandler() = default;

    MapPoint GetCoordinates(float X, float Y) const;
    void StepZoom(float &Factor);
    std::int16_t NumPrevExtents() const { return std::int16_t(m_history.size()); }
    void PreviousExtent();
    void Pan();
    void ZoomIn();
    void ZoomOut();
    void FullExtent();

    void setMap(MapControl *map) { m_map = map; }
    MapControl *Map() const { return m_map; }

    // The screen that measures the map: its resolution in pixels gives the screen factors
    // (resolution / 1024 and / 768, halves to even) and its logical dots per inch convert the
    // control's pixels to twips. The size overload measures a screen of that many pixels at
    // 96 dots per inch.
    void SethDC(const QScreen *screen);
    void SethDC(const QSize &resolution);
    bool hasDC() const { return m_dcSet; }

    // The extent that shows the map at scale 1 : nExtent around the current centre (the
    // caller makes it the extent); the current extent when the scale can't be computed.
    MapRectangle SetScale(double &nExtent);
    // The scale number of the current extent, or -1.
    double GetScale() const;
    bool ZoomToSelected(MapRecordset *recFeatures);

private:
    MapControl &map() const;
    void push();
    // Screen diagonal s and map diagonal m in inches; false when either is 0.
    bool diagonals(double &s, double &m) const;

    MapControl *m_map = nullptr;
    QList<MapRectangle> m_history;
    bool m_dcSet = false;
    double m_inchesPerUnit = 0.0;
    QSize m_resolution;
    int m_factorX = 0;
    int m_factorY = 0;
    double m_twipsPerPixel = 15.0;
    float m_correction = 1.0f;
};
