#pragma once

#include "platform/mapcontrol/shapeparts.h"

#include <QPointF>

#include <cstdint>
#include <vector>

// Prepares longitude/latitude geometry for a projection centred on the meridian lon0:
// edges are taken the short way round (an edge from 179° to -179° crosses 180°, as in
// files split at the date line), rings and lines are cut at the meridian opposite lon0, a
// ring that goes once round a pole is closed along that pole, and edges longer than step
// degrees get vertices every step degrees, so that a boundary along a parallel stays on it.
// Longitudes of the result lie within lon0 ± 180.
class LonLatCutter {
public:
    LonLatCutter(double lon0, double step) : m_lon0(lon0), m_step(step) {}

    // One ring of n vertices (closed or not) into closed rings appended to out as parts.
    void addRing(const QPointF *ring, int n, ShapeParts &out);
    // One line of n vertices into the pieces on either side of the cut, appended as parts.
    void addLine(const QPointF *line, int n, ShapeParts &out);

private:
    void unwrap(const QPointF *p, int n);
    void emitClipped(const std::vector<QPointF> &ring, ShapeParts &out);
    void emitDensified(const std::vector<QPointF> &ring, double shift, bool closed,
                       ShapeParts &out);

    double m_lon0;
    double m_step;
    std::vector<QPointF> m_unwrapped;
    std::vector<QPointF> m_work;
    std::vector<QPointF> m_clip;
};

// Densifies a part in projected coordinates: edges longer than step get vertices between.
void densifyPart(const QPointF *p, int n, double step, ShapeParts &out);
