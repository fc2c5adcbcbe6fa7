#include "platform/mapcontrol/mappainter.h"

#include "platform/mapcontrol/crispoutlines.h"
#include "platform/mapcontrol/labelplacer.h"
#include "platform/mapcontrol/shapefilelayer.h"

#include <QPaintEngine>
#include <QPainter>

#include <algorithm>
#include <cmath>

MapPainter::MapPainter(QList<std::shared_ptr<MapLayer>> layers, const MapRectangle &extent,
                       const QSize &size, double lineScale)
    : m_layers(std::move(layers)), m_extent(extent), m_size(size), m_lineScale(lineScale)
{
    const double k = extent.Width() > 0.0 ? size.width() / extent.Width() : 1.0;
    // y grows downwards on the target and northwards on the map.
    m_transform = QTransform(k, 0.0, 0.0, -k, -extent.Left * k, extent.Top * k);
}

MapRectangle MapPainter::fitExtent(const MapRectangle &requested, const QSize &size)
{
    const MapPoint c = requested.Center();
    double w = requested.Width(), h = requested.Height();
    if (!(w > 0.0) && !(h > 0.0))
        w = h = 1.0; // a single point: show one map unit around it
    const double W = std::max(1, size.width()), H = std::max(1, size.height());
    // Map units per target unit: the larger of the two so that both sides fit.
    const double perUnit = std::max(w > 0.0 ? w / W : 0.0, h > 0.0 ? h / H : 0.0);
    w = perUnit * W;
    h = perUnit * H;
    return {c.X - w / 2.0, c.X + w / 2.0, c.Y - h / 2.0, c.Y + h / 2.0};
}

QBrush MapPainter::areaBrush(const MapSymbol &symbol)
{
    return toQBrush(symbol);
}

void MapPainter::setTarget(QPainter &painter)
{
    const QTransform device = painter.deviceTransform();
    m_deviceScale = std::sqrt(std::abs(device.determinant()));
    if (!(m_deviceScale > 0.0))
        m_deviceScale = 1.0;
    m_wholePixels = painter.paintEngine() && painter.paintEngine()->type() == QPaintEngine::Raster;
    const QPaintEngine::Type type =
        painter.paintEngine() ? painter.paintEngine()->type() : QPaintEngine::User;
    m_vectorGrid = type == QPaintEngine::SVG || type == QPaintEngine::Pdf ? kVectorGrid : 1.0;
    // On a finer device (a printer writing PDF at 1200 dots an inch) the grid stays a tenth of
    // a pixel of 1/96 inch: whole 1.25 dots there, not tenths of a dot, which made the
    // printed file three times as large and slow to write.
    const int dpi = painter.device() ? painter.device()->logicalDpiX() : 0;
    if (m_vectorGrid != 1.0 && dpi > kPixelsPerInch)
        m_vectorGrid *= double(kPixelsPerInch) / dpi;
    // Vector targets keep true ellipses (an SVG circle, a PDF curve).
    m_ellipsePolygons = CrispOutlines::available(painter);
    m_sink = dynamic_cast<RegionSink *>(painter.device());
}

double MapPainter::lineWidth(const MapSymbol &symbol) const
{
    const double width = std::max(1.0, symbol.Size) * m_lineScale * m_widthShare;
    if (!m_wholePixels)
        return width;
    return std::max(1.0, std::round(width * m_deviceScale)) / m_deviceScale;
}

QPen MapPainter::outlinePen(const MapSymbol &symbol) const
{
    const double width = lineWidth(symbol);
    // While a layer is drawn on a vector grid the painter is scaled down by it: widths up.
    QPen pen(toQColor(symbol.OutlineColor), width * m_gridNow, Qt::SolidLine, Qt::RoundCap,
             Qt::BevelJoin);
    // One-pixel outlines go through the cosmetic stroker: crisp and much faster.
    if (width * m_deviceScale <= 1.0 && m_widthShare == 1.0) {
        pen.setCosmetic(true);
        pen.setWidthF(1.0);
    }
    return pen;
}

void MapPainter::paint(QPainter &painter)
{
    m_painter = &painter;
    setTarget(painter);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillRect(QRectF(QPointF(0, 0), QSizeF(m_size)), m_background);
    painter.setClipRect(QRectF(QPointF(0, 0), QSizeF(m_size)), Qt::IntersectClip);
    for (int i = int(m_layers.size()) - 1; i >= 0; --i) {
        if (m_before)
            m_before(i);
        m_layerNow = i;
        if (m_layers[i] && m_layers[i]->Visible())
            paintLayer(*m_layers[i]);
        m_layerNow = -1;
        if (m_sink)
            m_sink->beginRegion(-1, -1, -1);
        if (m_after)
            m_after(i);
    }
    m_placement = {};
    if (m_labels && !m_labels->isEmpty())
        paintLabels(painter);
    painter.restore();
    m_painter = nullptr;
}

std::vector<int> MapPainter::symbolIndexes(const MapLayer &layer, int count) const
{
    std::vector<int> idx(std::size_t(count), 0);
    const auto renderer = layer.Renderer();
    if (!renderer)
        return idx;
    const auto *shp = dynamic_cast<const ShapefileLayer *>(&layer);
    const int f = shp ? shp->table().fieldIndex(renderer->Field()) : -1;
    const bool numeric = f >= 0 && shp->table().fieldKind(f) == MapFieldKind::Numeric;
    for (int r = 0; r < count; ++r) {
        double v = std::nan("");
        if (numeric) {
            v = shp->table().numbers(f)[r];
        } else {
            bool ok = false;
            const QVariant cell = layer.FieldValue(r, renderer->Field());
            v = cell.toDouble(&ok);
            if (!ok)
                v = std::nan("");
        }
        idx[r] = renderer->SymbolIndex(v, std::isnan(v));
    }
    return idx;
}

void MapPainter::drawMarker(const QPointF &centre, const MapSymbol &symbol)
{
    const double r = std::max(1.0, symbol.Size) * m_lineScale / 2.0;
    m_painter->setBrush(areaBrush(symbol));
    m_painter->setPen(symbol.Outline ? outlinePen(symbol) : QPen(Qt::NoPen));
    m_painter->drawEllipse(centre, r, r);
}

void MapPainter::drawShape(QPainter &painter, const MapShape &shape, const MapSymbol &symbol)
{
    QPainter *previous = m_painter;
    const double deviceScale = m_deviceScale;
    const bool wholePixels = m_wholePixels;
    const bool ellipsePolygons = m_ellipsePolygons;
    const double vectorGrid = m_vectorGrid;
    RegionSink *sink = m_sink;
    m_painter = &painter;
    setTarget(painter);
    drawShape(shape, symbol);
    m_painter = previous;
    m_deviceScale = deviceScale;
    m_wholePixels = wholePixels;
    m_ellipsePolygons = ellipsePolygons;
    m_vectorGrid = vectorGrid;
    m_sink = sink;
}

void MapPainter::drawShape(const MapShape &shape, const MapSymbol &symbol)
{
    if (!m_painter || shape.IsNull())
        return;
    QPainter &p = *m_painter;
    p.save();
    p.setBrush(shape.ShapeType() == LineShape ? QBrush() : areaBrush(symbol));
    p.setPen(symbol.Outline ? outlinePen(symbol) : QPen(Qt::NoPen));
    drawPrepared(shape, symbol);
    p.restore();
}

void MapPainter::drawShapes(const QList<MapShape> &shapes, const MapSymbol &symbol)
{
    if (!m_painter)
        return;
    QPainter &p = *m_painter;
    p.save();
    const QBrush brush = areaBrush(symbol);
    const QPen pen = symbol.Outline ? outlinePen(symbol) : QPen(Qt::NoPen);
    bool areaReady = false;
    for (qsizetype i = 0; i < shapes.size(); ++i) {
        const MapShape &shape = shapes[i];
        if (shape.IsNull())
            continue;
        if (m_sink)
            m_sink->beginOverlayShape(int(i));
        // Lines and markers set their own pen and brush; areas share the symbol's, set
        // again only after such a shape.
        const int kind = shape.ShapeType();
        const bool area = kind != LineShape && kind != PointShape && kind != MultiPointShape;
        if (area && !areaReady) {
            p.setBrush(brush);
            p.setPen(pen);
        }
        areaReady = area;
        drawPrepared(shape, symbol);
    }
    p.restore();
}

// Draws the shape with the brush and pen of the symbol already set on the painter.
void MapPainter::drawPrepared(const MapShape &shape, const MapSymbol &symbol)
{
    QPainter &p = *m_painter;
    const MapRectangle e = shape.Extent();
    const QRectF box = m_transform.mapRect(QRectF(e.Left, e.Bottom, e.Width(), e.Height()));
    switch (shape.ShapeType()) {
    case EllipseShape:
        if (m_ellipsePolygons)
            m_ellipses.draw(p, box, m_deviceScale);
        else
            p.drawEllipse(box);
        break;
    case RectangleShape:
        p.drawRect(box);
        break;
    case PointShape:
    case MultiPointShape:
        for (const QPolygonF &part : shape.Parts())
            for (const QPointF &c : part)
                drawMarker(m_transform.map(c), symbol);
        break;
    case LineShape: {
        QPen pen = outlinePen(symbol);
        pen.setColor(toQColor(symbol.Color));
        p.setPen(pen);
        for (const QPolygonF &part : shape.Parts())
            p.drawPolyline(m_transform.map(part));
        break;
    }
    default: {
        QPainterPath path;
        path.setFillRule(Qt::OddEvenFill);
        for (const QPolygonF &part : shape.Parts()) {
            path.addPolygon(m_transform.map(part));
            path.closeSubpath();
        }
        p.drawPath(path);
    }
    }
}

void MapPainter::paintLabels(QPainter &painter)
{
    // A finer device than pictures of 96 pixels an inch (a printer) keeps the labels' size in
    // points on paper.
    const int dpi = painter.device() ? painter.device()->logicalDpiY() : kPixelsPerInch;
    const double s = m_textScale * (dpi > kPixelsPerInch ? double(dpi) / kPixelsPerInch : 1.0);
    const LabelPlacer placer(*m_labels, m_transform * QTransform::fromScale(1.0 / s, 1.0 / s),
                             QSizeF(m_size) / s);
    m_placement = placer.place();
    if (m_placement.placed.empty())
        return;
    painter.save();
    painter.scale(s, s);
    painter.setFont(LabelPlacer::labelFont(*m_labels));
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    // The halo: the text drawn in white a pixel off in eight directions, then the text itself.
    // Every device keeps it as text (SVG and PDF too), and it reads on every class colour.
    const QColor halo(255, 255, 255), ink(32, 32, 32);
    const double h = LabelPlacer::kHalo;
    const QPointF around[] = {{-h, -h}, {0, -h}, {h, -h}, {-h, 0}, {h, 0}, {-h, h}, {0, h}, {h, h}};
    for (const PlacedLabel &label : m_placement.placed) {
        const QRectF text = label.box.adjusted(h, h, -h, -h);
        painter.setPen(halo);
        for (const QPointF &d : around)
            painter.drawText(text.translated(d), Qt::AlignCenter, label.text);
        painter.setPen(ink);
        painter.drawText(text, Qt::AlignCenter, label.text);
    }
    painter.restore();
}
