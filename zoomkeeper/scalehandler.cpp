#include "zoomkeeper/scalehandler.h"

#include "contracts/runtimeerror.h"

#include <QScreen>

#include <cmath>

namespace {

constexpr int kHistory = 10;
constexpr double kInchesPerMetre = 39.37;
constexpr int kObjectNotSet = 91;

} // namespace

MapControl &ScaleHandler::map() const
{
    if (!m_map)
        throw RunTimeError(kObjectNotSet, QStringLiteral("Object variable not set: no map"),
                           QStringLiteral("ScaleHandler"));
    return *m_map;
}

void ScaleHandler::push()
{
    m_history.append(map().Extent());
    if (m_history.size() > kHistory)
        m_history.removeFirst();
}

MapPoint ScaleHandler::GetCoordinates(float X, float Y) const
{
    return map().ToMapPoint(X, Y);
}

void ScaleHandler::StepZoom(float &Factor)
{
    push();
    map().SetExtent(map().Extent().ScaleRectangle(Factor));
    map().Refresh();
}

void ScaleHandler::PreviousExtent()
{
    MapControl &m = map();
    if (m_history.isEmpty())
        return;
    m.SetExtent(m_history.takeLast());
    m.Refresh();
}

void ScaleHandler::Pan()
{
    push();
    map().Pan();
}

void ScaleHandler::ZoomIn()
{
    const MapRectangle r = map().TrackRectangle();
    if (r.Width() == 0.0 || r.Height() == 0.0)
        return; // a click without dragging
    push();
    m_map->SetExtent(r);
    m_map->Refresh();
}

void ScaleHandler::ZoomOut()
{
    const MapRectangle t = map().TrackRectangle();
    if (t.Width() == 0.0 || t.Height() == 0.0)
        return;
    push();
    const MapRectangle e = m_map->Extent();
    // Only the dragged width sets the factor; the centre stays.
    m_map->SetExtent(e.ScaleRectangle(e.Width() / t.Width()));
    m_map->Refresh();
}

void ScaleHandler::FullExtent()
{
    push();
    m_map->SetExtent(m_map->FullExtent());
    m_map->Refresh();
}

void ScaleHandler::SethDC(const QScreen *screen)
{
    if (!screen)
        return;
    SethDC(screen->size());
    if (screen->logicalDotsPerInchX() > 0.0)
        m_twipsPerPixel = 1440.0 / screen->logicalDotsPerInchX();
}

void ScaleHandler::SethDC(const QSize &resolution)
{
    m_inchesPerUnit = kInchesPerMetre;
    m_dcSet = true;
    m_resolution = resolution;
    m_factorX = int(std::nearbyint(resolution.width() / 1024.0));
    m_factorY = int(std::nearbyint(resolution.height() / 768.0));
    m_twipsPerPixel = 15.0;
    m_correction = 1.0f;
}

bool ScaleHandler::diagonals(double &s, double &m) const
{
    s = m = 0.0;
    if (!m_map || m_factorX == 0 || m_factorY == 0)
        return false; // no screen measured: the division would be by zero
    const QSize px = m_map->ControlSize();
    const double w = px.width() * m_twipsPerPixel / 1440.0 / m_factorX;
    const double h = px.height() * m_twipsPerPixel / 1440.0 / m_factorY;
    s = std::sqrt(w * w + h * h);
    const MapRectangle e = m_map->Extent();
    const double ew = e.Width() * m_inchesPerUnit, eh = e.Height() * m_inchesPerUnit;
    m = std::sqrt(ew * ew + eh * eh);
    return s != 0.0 && m != 0.0 && std::isfinite(s) && std::isfinite(m);
}

double ScaleHandler::GetScale() const
{
    double s = 0.0, m = 0.0;
    if (!diagonals(s, m))
        return -1.0;
    const double scale = m / s / m_correction;
    return std::isfinite(scale) ? std::nearbyint(scale) : -1.0;
}

MapRectangle ScaleHandler::SetScale(double &nExtent)
{
    if (!m_map)
        return {};
    push();
    const MapRectangle e = m_map->Extent();
    double s = 0.0, m = 0.0;
    if (!diagonals(s, m) || !std::isfinite(nExtent))
        return e;
    const double d = nExtent * s / kInchesPerMetre; // new diagonal in map units
    const double a = std::atan(e.Height() / e.Width());
    const double hh = std::sin(a) * d / 2.0, hw = std::cos(a) * d / 2.0;
    const MapPoint c = e.Center();
    return {c.X - hw, c.X + hw, c.Y - hh, c.Y + hh};
}

bool ScaleHandler::ZoomToSelected(MapRecordset *recFeatures)
{
    if (!recFeatures)
        return false;
    MapControl &m = map();
    recFeatures->MoveFirst();
    if (recFeatures->AtEnd())
        return false;
    const MapShape first = recFeatures->Shape();
    const int type = first.ShapeType();
    if (type != LineShape && type != PolygonShape && type != MultiPointShape)
        return false;
    MapRectangle box = first.Extent();
    for (recFeatures->MoveNext(); !recFeatures->AtEnd(); recFeatures->MoveNext()) {
        const MapRectangle e = recFeatures->Shape().Extent();
        box = {std::min(box.Left, e.Left), std::max(box.Right, e.Right),
               std::min(box.Bottom, e.Bottom), std::max(box.Top, e.Top)};
    }
    push();
    m.SetExtent(box);
    m.Refresh();
    return true;
}
