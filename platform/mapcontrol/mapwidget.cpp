#include "platform/mapcontrol/mapwidget.h"

#include "platform/mapcontrol/mappainter.h"
#include "platform/mapcontrol/shapefilelayer.h"

#include <QEventLoop>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QTimer>

#include <cmath>

MapWidget::MapWidget(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setMinimumSize(16, 16);
}

MapWidget::~MapWidget()
{
    if (m_trackLoop)
        m_trackLoop->quit();
}

std::shared_ptr<MapLayer> MapWidget::Layer(int index) const
{
    if (index < 0 || index >= m_layers.size())
        return nullptr;
    return m_layers[index];
}

void MapWidget::AddLayer(std::shared_ptr<MapLayer> layer)
{
    if (!layer)
        return;
    m_layers.prepend(std::move(layer));
    m_dirty = true;
    update();
}

std::shared_ptr<MapLayer> MapWidget::AddShapefileLayer(const QString &path, QString *error)
{
    QString why;
    std::shared_ptr<MapLayer> layer = ShapefileLayer::open(path, &why);
    if (!layer) {
        m_lastError = why;
        if (error)
            *error = why;
        return nullptr;
    }
    AddLayer(layer);
    return layer;
}

void MapWidget::RemoveLayer(int index)
{
    if (index < 0 || index >= m_layers.size())
        return;
    m_layers.removeAt(index);
    if (m_layers.isEmpty())
        m_requested = MapRectangle();
    m_dirty = true;
    update();
}

void MapWidget::ClearLayers()
{
    m_layers.clear();
    m_requested = MapRectangle();
    m_dirty = true;
    update();
}

MapRectangle MapWidget::FullExtent() const
{
    MapRectangle all;
    for (const auto &layer : m_layers)
        all = all.United(layer->Extent());
    return all;
}

MapRectangle MapWidget::Extent() const
{
    const MapRectangle wanted = m_requested == MapRectangle() ? FullExtent() : m_requested;
    return MapPainter::fitExtent(wanted, size());
}

void MapWidget::SetExtent(const MapRectangle &extent)
{
    // A rectangle given with its sides swapped still means the same area.
    m_requested = MapRectangle(std::min(extent.Left, extent.Right),
                               std::max(extent.Left, extent.Right),
                               std::min(extent.Bottom, extent.Top),
                               std::max(extent.Bottom, extent.Top));
    m_dirty = true;
    update();
}

void MapWidget::Refresh()
{
    m_dirty = true;
    repaint();
}

void MapWidget::setBackground(const QColor &color)
{
    m_background = color;
    m_dirty = true;
    update();
}

MapPoint MapWidget::ToMapPoint(double x, double y) const
{
    const MapRectangle e = Extent();
    const double k = width() > 0 ? e.Width() / width() : 1.0;
    return {e.Left + x * k, e.Top - y * k};
}

QPointF MapWidget::FromMapPoint(const MapPoint &p) const
{
    const MapRectangle e = Extent();
    const double k = e.Width() > 0.0 ? width() / e.Width() : 1.0;
    return {(p.X - e.Left) * k, (e.Top - p.Y) * k};
}

void MapWidget::paintWith(MapPainter &mp, QPainter &target, double textScale)
{
    mp.setBackground(m_background);
    mp.setLabels(&m_labels, textScale);
    mp.setOutlineAuto(m_outlineAuto);
    mp.setBeforeLayerDraw([this](int i) { emit BeforeLayerDraw(i); });
    mp.setAfterLayerDraw([this](int i) { emit AfterLayerDraw(i); });
    MapPainter *previous = m_active;
    m_active = &mp;
    mp.paint(target);
    m_active = previous;
    m_placement = mp.labelPlacement();
}

void MapWidget::SetLabels(MapLabels labels)
{
    m_labels = std::move(labels);
    m_dirty = true;
    update();
}

void MapWidget::SetOutlineAuto(bool on)
{
    m_outlineAuto = on;
    m_dirty = true;
    update();
}

void MapWidget::PaintMap(QPainter &painter, double scaleFactor)
{
    const QSize target(qRound(width() * scaleFactor), qRound(height() * scaleFactor));
    MapPainter mp(m_layers, Extent(), target, scaleFactor);
    paintWith(mp, painter);
}

void MapWidget::renderCache()
{
    // Painted in device pixels, like an exported picture at the factor of the screen: on a
    // screen of two device pixels per pixel the map looks as on an ordinary one, drawn finer.
    // The picture and the outline image are kept from one redraw to the next (the map
    // covers the whole picture, so nothing of the previous one shows).
    const qreal dpr = devicePixelRatioF();
    if (m_cache.size() != size() * dpr)
        m_cache = QImage(size() * dpr, QImage::Format_ARGB32_Premultiplied);
    m_cache.setDevicePixelRatio(1.0);
    {
        QPainter p(&m_cache);
        MapPainter mp(m_layers, Extent(), size() * dpr, dpr);
        mp.setOutlineBuffer(&m_outlineBuffer);
        paintWith(mp, p, dpr);
    }
    m_cache.setDevicePixelRatio(dpr);
    m_dirty = false;
}

void MapWidget::paintEvent(QPaintEvent *)
{
    if (m_dirty || m_cache.size() != size() * devicePixelRatioF())
        renderCache();
    QPainter p(this);
    if (!m_panOffset.isNull())
        p.fillRect(rect(), m_background);
    p.drawImage(m_panOffset, m_cache);
    if (m_flashOn && !m_flash.IsNull()) {
        MapPainter overlay({}, Extent(), size());
        MapSymbol invert;
        invert.Color = 0xFFFFFF;
        invert.Outline = false;
        p.setRenderHint(QPainter::Antialiasing);
        p.setCompositionMode(QPainter::CompositionMode_Difference);
        overlay.drawShape(p, m_flash, invert);
    }
}

void MapWidget::resizeEvent(QResizeEvent *)
{
    m_dirty = true;
}

void MapWidget::DrawShape(const MapShape &shape, const MapSymbol &symbol)
{
    if (m_active)
        m_active->drawShape(shape, symbol);
}

void MapWidget::DrawShapes(const QList<MapShape> &shapes, const MapSymbol &symbol)
{
    if (m_active)
        m_active->drawShapes(shapes, symbol);
}

void MapWidget::wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void MapWidget::FlashShape(const MapShape &shape, int count)
{
    if (!isVisible() || shape.IsNull())
        return;
    QPointer<MapWidget> guard(this);
    m_flash = shape;
    for (int i = 0; i < count && guard; ++i) {
        m_flashOn = true;
        repaint();
        wait(120);
        if (!guard)
            return;
        m_flashOn = false;
        repaint();
        wait(80);
    }
    if (guard)
        m_flash = MapShape();
}
