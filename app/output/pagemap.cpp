#include "app/output/pagemap.h"

#include "platform/wmf/wmfgenerator.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

// Coordinates are written in whole tenths of a pixel of the picture, as the SVG output's.
constexpr double kGrid = 10.0;

QString colourText(const QColor &c) {
    return c.name(QColor::HexRgb);
}

// Integers of a path's data, written as SVG allows them shortest: a minus sign separates
// two numbers by itself.
void appendNumber(QString &d, qint64 n, bool first) {
    if (!first && n >= 0)
        d += u' ';
    d += QString::number(n);
}

} // namespace

class PageMapEngine : public QPaintEngine {
public:
    explicit PageMapEngine(PageMapDevice &device) : QPaintEngine(AllFeatures), m_device(device) {}

    bool begin(QPaintDevice *) override {
        m_pen = QPen();
        m_brush = QBrush();
        m_transform = QTransform();
        return true;
    }
    bool end() override { return true; }
    // The map painter draws onto this device as onto an SVG file: vertices on the SVG
    // output's grid, circles as circles.
    Type type() const override { return QPaintEngine::SVG; }

    void updateState(const QPaintEngineState &state) override {
        const DirtyFlags flags = state.state();
        if (flags & DirtyPen)
            m_pen = state.pen();
        if (flags & DirtyBrush)
            m_brush = state.brush();
        if (flags & DirtyTransform)
            m_transform = state.transform();
    }

    void drawPath(const QPainterPath &path) override;
    void drawPolygon(const QPointF *points, int count, PolygonDrawMode mode) override;
    void drawPolygon(const QPoint *points, int count, PolygonDrawMode mode) override {
        QPolygonF polygon;
        polygon.reserve(count);
        for (int i = 0; i < count; ++i)
            polygon << QPointF(points[i]);
        drawPolygon(polygon.constData(), count, mode);
    }
    void drawEllipse(const QRectF &rect) override;
    void drawRects(const QRectF *rects, int count) override {
        QPainterPath path;
        for (int i = 0; i < count; ++i)
            path.addRect(rects[i]);
        drawPath(path);
    }
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}

private:
    // The point in whole tenths of a picture pixel.
    QPoint gridPoint(const QPointF &p) const {
        const QPointF q = m_transform.map(p);
        return {int(std::lround(q.x() * kGrid)), int(std::lround(q.y() * kGrid))};
    }
    QString style(bool filled, Qt::FillRule rule) const;
    void add(const QString &tag, QString geometry, bool filled, Qt::FillRule rule);
    // Appends one ring or line as "M x y l dx dy ... z" (relative after the first point).
    void appendRing(QString &d, const QPointF *points, int count, bool close) const;

    PageMapDevice &m_device;
    QPen m_pen;
    QBrush m_brush;
    QTransform m_transform;
};

QString PageMapEngine::style(bool filled, Qt::FillRule rule) const {
    QString s;
    if (filled && m_brush.style() != Qt::NoBrush) {
        // Hatched symbols show as their colour: a page's regions answer pointing all over.
        s = QStringLiteral("fill:") + colourText(m_brush.color());
        if (m_brush.color().alpha() < 255)
            s += QStringLiteral(";fill-opacity:%1").arg(m_brush.color().alphaF(), 0, 'g', 3);
        if (rule == Qt::WindingFill)
            s += QStringLiteral(";fill-rule:nonzero");
    } else {
        s = QStringLiteral("fill:none");
    }
    if (m_pen.style() != Qt::NoPen && m_pen.color().alpha() > 0) {
        double width = m_pen.widthF();
        if (m_pen.isCosmetic())
            width = width > 0.0 ? width : 1.0;
        else
            width *= std::sqrt(std::abs(m_transform.determinant()));
        s += QStringLiteral(";stroke:%1;stroke-width:%2px")
                 .arg(colourText(m_pen.color()))
                 .arg(std::round(std::max(width, 0.01) * 100.0) / 100.0);
    }
    return s;
}

void PageMapEngine::add(const QString &tag, QString geometry, bool filled, Qt::FillRule rule) {
    PageMapDevice &d = m_device;
    const QString s = style(filled, rule);
    auto it = d.m_styleIndex.constFind(s);
    if (it == d.m_styleIndex.constEnd()) {
        it = d.m_styleIndex.insert(s, int(d.m_drawing.styles.size()));
        d.m_drawing.styles << s;
    }
    PageMapElement e;
    e.tag = tag;
    e.geometry = std::move(geometry);
    e.style = it.value();
    e.layer = d.m_layer;
    e.record = d.m_record;
    e.symbol = d.m_symbol;
    e.overlay = d.m_overlay;
    d.m_drawing.elements << e;
}

void PageMapEngine::appendRing(QString &d, const QPointF *points, int count, bool close) const {
    if (count <= 0)
        return;
    QPoint last = gridPoint(points[0]);
    const QPoint start = last;
    d += u'M';
    appendNumber(d, last.x(), true);
    appendNumber(d, last.y(), false);
    // A closed ring that repeats its first point ends with "z" instead.
    int n = count;
    if (close && n > 1 && gridPoint(points[n - 1]) == start)
        --n;
    bool first = true;
    for (int i = 1; i < n; ++i) {
        const QPoint p = gridPoint(points[i]);
        if (p == last)
            continue;
        if (first)
            d += u'l';
        appendNumber(d, p.x() - last.x(), first);
        appendNumber(d, p.y() - last.y(), false);
        first = false;
        last = p;
    }
    if (close)
        d += u'z';
}

void PageMapEngine::drawPolygon(const QPointF *points, int count, PolygonDrawMode mode) {
    const bool line = mode == PolylineMode;
    QString d;
    appendRing(d, points, count, !line);
    add(QStringLiteral("path"), QStringLiteral("d=\"") + d + u'"', !line,
        mode == WindingMode ? Qt::WindingFill : Qt::OddEvenFill);
}

void PageMapEngine::drawPath(const QPainterPath &path) {
    QString d;
    QPolygonF ring;
    const auto flush = [&] {
        if (ring.isEmpty())
            return;
        const bool closed = ring.size() > 2 && ring.first() == ring.last();
        appendRing(d, ring.constData(), int(ring.size()), closed);
        ring.clear();
    };
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.isMoveTo())
            flush();
        if (e.isCurveTo() && i + 2 < path.elementCount() && !ring.isEmpty()) {
            // Curves (none in a map's regions; circles come as ellipses) as their end points'
            // polygon of the flattened curve.
            QPainterPath curve(ring.last());
            curve.cubicTo(e, path.elementAt(i + 1), path.elementAt(i + 2));
            const QPolygonF flat = curve.toSubpathPolygons().value(0);
            for (qsizetype k = 1; k < flat.size(); ++k)
                ring << flat[k];
            i += 2;
            continue;
        }
        ring << QPointF(e);
    }
    flush();
    if (d.isEmpty())
        return;
    add(QStringLiteral("path"), QStringLiteral("d=\"") + d + u'"', true, path.fillRule());
}

void PageMapEngine::drawEllipse(const QRectF &rect) {
    if (m_transform.type() > QTransform::TxScale) {
        QPainterPath path;
        path.addEllipse(rect);
        drawPath(path);
        return;
    }
    const QRectF r = m_transform.mapRect(rect);
    const qint64 cx = std::llround(r.center().x() * kGrid),
                 cy = std::llround(r.center().y() * kGrid);
    const qint64 rx = std::llround(r.width() * kGrid / 2.0),
                 ry = std::llround(r.height() * kGrid / 2.0);
    if (rx == ry)
        add(QStringLiteral("circle"),
            QStringLiteral("cx=\"%1\" cy=\"%2\" r=\"%3\"").arg(cx).arg(cy).arg(rx), true,
            Qt::OddEvenFill);
    else
        add(QStringLiteral("ellipse"),
            QStringLiteral("cx=\"%1\" cy=\"%2\" rx=\"%3\" ry=\"%4\"")
                .arg(cx)
                .arg(cy)
                .arg(rx)
                .arg(ry),
            true, Qt::OddEvenFill);
}

PageMapDevice::PageMapDevice(const QSize &size)
    : m_size(size), m_engine(std::make_unique<PageMapEngine>(*this)) {
    m_drawing.size = size;
}

PageMapDevice::~PageMapDevice() = default;

QPaintEngine *PageMapDevice::paintEngine() const {
    return m_engine.get();
}

void PageMapDevice::beginRegion(int layerIndex, int record, int symbolIndex) {
    m_layer = layerIndex;
    m_record = record;
    m_symbol = symbolIndex;
    m_overlay = -1;
}

void PageMapDevice::beginOverlayShape(int position) {
    m_layer = m_record = m_symbol = -1;
    m_overlay = position;
}

void PageMapDevice::layerSymbols(int layerIndex, const std::vector<int> &symbols) {
    m_drawing.symbols.insert(layerIndex, symbols);
}

PageMapDrawing PageMapDevice::takeDrawing() {
    PageMapDrawing drawing = std::move(m_drawing);
    m_drawing = PageMapDrawing();
    m_drawing.size = m_size;
    m_styleIndex.clear();
    return drawing;
}

int PageMapDevice::metric(PaintDeviceMetric metric) const {
    const int value = PictureDeviceMetric(metric, m_size, VectorDotsPerInch);
    return value >= 0 ? value : QPaintDevice::metric(metric);
}

PageMapDrawing DrawPageMap(const Picture &picture) {
    PageMapDevice device(picture.size);
    QPainter painter;
    if (painter.begin(&device)) {
        picture.paint(painter);
        painter.end();
    }
    return device.takeDrawing();
}
