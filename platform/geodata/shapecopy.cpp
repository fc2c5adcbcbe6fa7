#include "platform/geodata/shapecopy.h"

#include <ogr_geometry.h>

#include <memory>

namespace geodata {

namespace {

void appendPoints(const OGRSimpleCurve &curve, bool reversed, ShapeParts &parts)
{
    const int n = curve.getNumPoints();
    for (int i = 0; i < n; ++i) {
        const int k = reversed ? n - 1 - i : i;
        parts.points.emplace_back(curve.getX(k), curve.getY(k));
    }
}

// Twice the ring's signed area: negative when it runs clockwise. (The area decides, not the
// turn at one vertex, which a spike or a repeated vertex there can mislead.)
double signedArea(const OGRLinearRing &ring)
{
    const int n = ring.getNumPoints();
    double sum = 0.0;
    for (int i = 0; i + 1 < n; ++i)
        sum += ring.getX(i) * ring.getY(i + 1) - ring.getX(i + 1) * ring.getY(i);
    return sum;
}

void appendRing(const OGRLinearRing *ring, bool clockwise, ShapeParts &parts)
{
    if (!ring || ring->getNumPoints() == 0)
        return;
    const double area = signedArea(*ring);
    appendPoints(*ring, clockwise ? area > 0.0 : area < 0.0, parts);
    parts.endPart();
}

void appendPolygon(const OGRPolygon &polygon, ShapeParts &parts)
{
    appendRing(polygon.getExteriorRing(), true, parts);
    for (int i = 0; i < polygon.getNumInteriorRings(); ++i)
        appendRing(polygon.getInteriorRing(i), false, parts);
}

void appendLine(const OGRLineString &line, ShapeParts &parts)
{
    if (line.getNumPoints() == 0)
        return;
    appendPoints(line, false, parts);
    parts.endPart();
}

void appendLinear(const OGRGeometry &g, int family, ShapeParts &parts)
{
    const OGRwkbGeometryType type = wkbFlatten(g.getGeometryType());
    if (family == 5 && type == wkbPolygon) {
        appendPolygon(*g.toPolygon(), parts);
    } else if (family == 5 && type == wkbMultiPolygon) {
        for (const OGRPolygon *polygon : *g.toMultiPolygon())
            appendPolygon(*polygon, parts);
    } else if (family == 3 && type == wkbLineString) {
        appendLine(*g.toLineString(), parts);
    } else if (family == 3 && type == wkbMultiLineString) {
        for (const OGRLineString *line : *g.toMultiLineString())
            appendLine(*line, parts);
    } else if (family == 8 && (type == wkbPoint || type == wkbMultiPoint)) {
        const auto add = [&parts](const OGRPoint &point) {
            if (!point.IsEmpty())
                parts.points.emplace_back(point.getX(), point.getY());
        };
        if (type == wkbPoint)
            add(*g.toPoint());
        else
            for (const OGRPoint *point : *g.toMultiPoint())
                add(*point);
        if (parts.points.size() > parts.partStart.back())
            parts.endPart(); // a point set is one part
    }
}

} // namespace

void appendShape(const OGRGeometry *geometry, int family, ShapeParts &parts)
{
    if (geometry && !geometry->IsEmpty()) {
        std::unique_ptr<OGRGeometry> linear;
        if (geometry->hasCurveGeometry()) {
            linear.reset(geometry->getLinearGeometry());
            geometry = linear.get();
        }
        if (geometry)
            appendLinear(*geometry, family, parts);
    }
    parts.endShape();
}

} // namespace geodata
