#pragma once

#include <QPointF>

#include <cstdint>
#include <vector>

// Shapes as flat arrays, built part by part: what the projection writes back into a shape
// file. All vertices of all shapes in one array, so that PROJ moves them in one call.
struct ShapeParts {
    std::vector<QPointF> points;
    std::vector<std::uint32_t> partStart{0};  // part -> first vertex; one extra at the end
    std::vector<std::uint32_t> shapeStart{0}; // shape -> first part; one extra at the end

    int shapeCount() const { return int(shapeStart.size()) - 1; }
    void endPart() { partStart.push_back(std::uint32_t(points.size())); }
    void endShape() { shapeStart.push_back(std::uint32_t(partStart.size() - 1)); }
    // Drops the vertices added since the last endPart().
    void dropOpenPart() { points.resize(partStart.back()); }
};

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
