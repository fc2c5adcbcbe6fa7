#include "platform/wmf/wmfpaintengine.h"

#include "contracts/outputfile.h"
#include "platform/wmf/wmfclip.h"
#include "platform/wmf/wmfgenerator.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QTextItem>

#include <cmath>

namespace {

// The picture spans at most this many logical units: fine detail at any usual size, and far
// from the 16-bit limit.
constexpr double PictureUnits = 16000;
constexpr int MaxPoints = 32767;

// Pen end and join flags of the metafile.
constexpr int EndSquare = 0x0100, EndFlat = 0x0200, JoinBevel = 0x1000, JoinMiter = 0x2000;

QRect toUnitsRect(const QRectF &r)
{
    const int left = qRound(r.left()), top = qRound(r.top());
    return QRect(left, top, qRound(r.right()) - left, qRound(r.bottom()) - top);
}

int penStyle(const QPen &pen)
{
    int style = WmfRecorder::PenSolid;
    switch (pen.style()) {
    case Qt::DashLine:
    case Qt::CustomDashLine:
        style = WmfRecorder::PenDash;
        break;
    case Qt::DotLine:
        style = WmfRecorder::PenDot;
        break;
    case Qt::DashDotLine:
        style = WmfRecorder::PenDashDot;
        break;
    case Qt::DashDotDotLine:
        style = WmfRecorder::PenDashDotDot;
        break;
    default:
        break;
    }
    style |= pen.capStyle() == Qt::FlatCap     ? EndFlat
             : pen.capStyle() == Qt::SquareCap ? EndSquare
                                               : 0;
    style |= pen.joinStyle() == Qt::BevelJoin                                       ? JoinBevel
             : pen.joinStyle() == Qt::MiterJoin || pen.joinStyle() == Qt::SvgMiterJoin ? JoinMiter
                                                                                     : 0;
    return style;
}

// The one colour a brush fills with: its own, or for a gradient the first stop's.
QColor brushColour(const QBrush &brush)
{
    if (brush.gradient() && !brush.gradient()->stops().isEmpty())
        return brush.gradient()->stops().first().second;
    return brush.color();
}

int hatchOf(Qt::BrushStyle style)
{
    switch (style) {
    case Qt::HorPattern:
        return 0;
    case Qt::VerPattern:
        return 1;
    case Qt::FDiagPattern:
        return 2;
    case Qt::BDiagPattern:
        return 3;
    case Qt::CrossPattern:
        return 4;
    case Qt::DiagCrossPattern:
        return 5;
    default:
        return -1;
    }
}

QImage opaqueImage(const QImage &image)
{
    if (!image.hasAlphaChannel())
        return image;
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, image);
    return flat;
}

} // namespace

WmfPaintEngine::WmfPaintEngine() : QPaintEngine(AllFeatures) {}

bool WmfPaintEngine::begin(QPaintDevice *device)
{
    m_generator = static_cast<WmfGenerator *>(device);
    m_generator->m_error.clear();
    const QSize size = m_generator->size();
    if (size.isEmpty())
        return false;
    // Whole units per pixel where possible, so pixel-aligned drawing stays exact.
    m_unitsPerPixel = PictureUnits / std::max(size.width(), size.height());
    if (m_unitsPerPixel >= 1)
        m_unitsPerPixel = std::min(16.0, std::floor(m_unitsPerPixel));
    m_window = QRect(0, 0, qRound(size.width() * m_unitsPerPixel),
                     qRound(size.height() * m_unitsPerPixel));
    m_box = QRectF(m_window);
    // A picture's width and height on every side of it still fit the 16-bit coordinates, so a
    // shape that only overhangs the edge is written whole, outline included, and the viewer
    // clips it; only shapes reaching further are cut.
    m_reach = m_box.adjusted(-m_box.width(), -m_box.height(), m_box.width(), m_box.height());
    m_transform = QTransform();
    m_toUnits = QTransform::fromScale(m_unitsPerPixel, m_unitsPerPixel);
    m_recorder = WmfRecorder();
    m_selectedPen = m_selectedBrush = Selected();
    m_fontSlot = -1;
    m_fillMode = -1;
    m_textColour.reset();
    m_clip.reset();
    m_recorder.setWindow(m_window);
    m_recorder.setBackgroundTransparent();
    m_recorder.setTextAlign(m_textAlign = WmfRecorder::AlignBaselineLeft);
    return true;
}

bool WmfPaintEngine::end()
{
    if (m_clip) {
        m_recorder.restoreDC();
        m_clip.reset();
    }
    m_recorder.deleteObject(m_selectedPen.slot);
    m_recorder.deleteObject(m_selectedBrush.slot);
    m_recorder.deleteObject(m_fontSlot);
    m_selectedPen = m_selectedBrush = Selected();
    m_fontSlot = -1;
    m_generator->m_data =
        m_recorder.finish(m_window, qRound(m_generator->resolution() * m_unitsPerPixel));
    return writeOut(m_generator->m_data);
}

bool WmfPaintEngine::writeOut(const QByteArray &data)
{
    if (QIODevice *device = m_generator->outputDevice())
        return device->write(data) == data.size();
    if (m_generator->fileName().isEmpty())
        return true;
    OutputFile file(m_generator->fileName());
    const bool written = file.begin() && file.device().write(data) == data.size() && file.commit();
    if (!written)
        m_generator->m_error = file.writeError().isEmpty() ? file.errorString() : file.writeError();
    return written;
}

void WmfPaintEngine::updateState(const QPaintEngineState &state)
{
    const DirtyFlags flags = state.state();
    if (flags & DirtyPen)
        m_pen = state.pen();
    if (flags & DirtyBrush)
        m_brush = state.brush();
    if (flags & DirtyTransform) {
        m_transform = state.transform();
        m_toUnits = m_transform * QTransform::fromScale(m_unitsPerPixel, m_unitsPerPixel);
    }
    if (flags & (DirtyClipRegion | DirtyClipPath | DirtyClipEnabled))
        updateClip();
}

// The clip is kept as a rectangle in device space: saved state, narrowed, restored when
// the clip changes again. Restoring also brings back the objects and attributes of the
// saved state, so the current ones are selected again and the attributes re-sent.
void WmfPaintEngine::updateClip()
{
    std::optional<QRect> clip;
    if (painter() && painter()->hasClipping())
        clip = toUnitsRect(m_toUnits.mapRect(painter()->clipBoundingRect()) & m_box);
    if (clip == m_clip)
        return;
    if (m_clip) {
        m_recorder.restoreDC();
        reselectAfterRestore();
    }
    if (clip) {
        m_recorder.saveDC();
        m_recorder.intersectClipRect(*clip);
    }
    m_clip = clip;
}

void WmfPaintEngine::reselectAfterRestore()
{
    for (int slot : {m_selectedPen.slot, m_selectedBrush.slot, m_fontSlot})
        if (slot >= 0)
            m_recorder.selectObject(slot);
    m_fillMode = -1;
    m_textAlign = -1;
    m_textColour.reset();
}

bool WmfPaintEngine::axisAligned() const
{
    return m_transform.type() <= QTransform::TxScale;
}

void WmfPaintEngine::select(Selected &selected, const std::array<int, 3> &key,
                            const std::function<int()> &create)
{
    if (selected.slot >= 0 && selected.key == key)
        return;
    const int slot = create();
    m_recorder.selectObject(slot);
    m_recorder.deleteObject(selected.slot);
    selected = {slot, key};
}

void WmfPaintEngine::usePen(bool stroke)
{
    std::array<int, 3> key{WmfRecorder::PenNull, 0, 0};
    if (stroke && m_pen.style() != Qt::NoPen && m_pen.color().alpha() > 0) {
        const double scale = std::sqrt(std::abs(m_transform.determinant()));
        const double pixels = m_pen.isCosmetic() || m_pen.widthF() <= 0
                                  ? std::max(1.0, m_pen.widthF())
                                  : m_pen.widthF() * scale;
        key = {penStyle(m_pen), std::max(1, int(std::lround(pixels * m_unitsPerPixel))),
               int(m_pen.color().rgb() & 0xffffff)};
    }
    select(m_selectedPen, key,
           [&] { return m_recorder.createPen(key[0], key[1], QRgb(key[2])); });
}

void WmfPaintEngine::useBrush(bool fill)
{
    std::array<int, 3> key{WmfRecorder::BrushNull, 0, 0};
    const QColor colour = brushColour(m_brush);
    if (fill && m_brush.style() != Qt::NoBrush && colour.alpha() > 0) {
        const int hatch = hatchOf(m_brush.style());
        key = {hatch >= 0 ? WmfRecorder::BrushHatched : WmfRecorder::BrushSolid,
               std::max(hatch, 0), int(colour.rgb() & 0xffffff)};
    }
    select(m_selectedBrush, key,
           [&] { return m_recorder.createBrush(key[0], QRgb(key[2]), key[1]); });
}

void WmfPaintEngine::useFont(const WmfFont &font)
{
    if (m_fontSlot >= 0 && m_font == font)
        return;
    const int slot = m_recorder.createFont(font);
    m_recorder.selectObject(slot);
    m_recorder.deleteObject(m_fontSlot);
    m_fontSlot = slot;
    m_font = font;
}

void WmfPaintEngine::setFillMode(Qt::FillRule rule)
{
    const int mode = rule == Qt::WindingFill ? WmfRecorder::FillWinding
                                             : WmfRecorder::FillAlternate;
    if (mode != m_fillMode)
        m_recorder.setPolyFillMode(m_fillMode = mode);
}

// Logical points of a shape already in units and inside the box: rounded, with repeated
// points dropped (fine detail collapses at this resolution) and thinned to the format's
// limit of points per shape.
QList<QPoint> WmfPaintEngine::toPoints(const QPolygonF &units) const
{
    QList<QPoint> points;
    points.reserve(units.size());
    for (const QPointF &p : units) {
        const QPoint q = p.toPoint();
        if (points.isEmpty() || points.last() != q)
            points.append(q);
    }
    if (points.size() > MaxPoints) {
        const double step = double(points.size()) / MaxPoints;
        QList<QPoint> thinned;
        for (int i = 0; i < MaxPoints; ++i)
            thinned.append(points[qsizetype(i * step)]);
        points = thinned;
    }
    return points;
}

// Rings that reach far beyond the picture are cut. A cut ring is filled without outline and
// its outline drawn as lines, so no outline appears along the cut.
void WmfPaintEngine::fillRings(const QList<QPolygonF> &rings, Qt::FillRule rule)
{
    QList<QList<QPoint>> shapes;
    bool cut = false;
    for (const QPolygonF &ring : rings) {
        cut = cut || !m_reach.contains(ring.boundingRect());
        QList<QPoint> points = toPoints(wmfclip::clipRing(ring, m_reach));
        if (points.size() >= 3)
            shapes.append(points);
    }
    if (!shapes.isEmpty()) {
        usePen(!cut);
        useBrush(true);
        setFillMode(rule);
        if (shapes.size() == 1)
            m_recorder.polygon(shapes.first());
        else
            m_recorder.polyPolygon(shapes);
    }
    if (cut) {
        QList<QPolygonF> outlines;
        for (QPolygonF ring : rings) {
            if (!ring.isEmpty() && !ring.isClosed())
                ring.append(ring.first());
            outlines.append(ring);
        }
        strokeLines(outlines);
    }
}

void WmfPaintEngine::strokeLines(const QList<QPolygonF> &lines)
{
    if (m_pen.style() == Qt::NoPen)
        return;
    bool penChosen = false;
    for (const QPolygonF &line : lines)
        for (const QPolygonF &piece : wmfclip::clipLine(line, m_reach)) {
            const QList<QPoint> points = toPoints(piece);
            if (points.size() < 2)
                continue;
            if (!penChosen)
                usePen(true);
            penChosen = true;
            m_recorder.polyline(points);
        }
}

void WmfPaintEngine::drawPath(const QPainterPath &path)
{
    const QList<QPolygonF> subpaths = path.toSubpathPolygons(m_toUnits);
    if (m_brush.style() == Qt::NoBrush)
        strokeLines(subpaths);
    else
        fillRings(subpaths, path.fillRule());
}

void WmfPaintEngine::drawPolygon(const QPointF *points, int count, PolygonDrawMode mode)
{
    const QPolygonF polygon = m_toUnits.map(QPolygonF(QList<QPointF>(points, points + count)));
    if (mode == PolylineMode)
        strokeLines({polygon});
    else
        fillRings({polygon}, mode == WindingMode ? Qt::WindingFill : Qt::OddEvenFill);
}

void WmfPaintEngine::drawRects(const QRectF *rects, int count)
{
    for (int i = 0; i < count; ++i) {
        const QRectF units = m_toUnits.mapRect(rects[i]);
        if (!axisAligned()) {
            fillRings({m_toUnits.map(QPolygonF(rects[i]))}, Qt::OddEvenFill);
            continue;
        }
        if (!m_box.contains(units)) {
            fillRings({QPolygonF(units)}, Qt::OddEvenFill);
            continue;
        }
        usePen(true);
        useBrush(true);
        m_recorder.rectangle(toUnitsRect(units));
    }
}

void WmfPaintEngine::drawEllipse(const QRectF &rect)
{
    const QRectF units = m_toUnits.mapRect(rect);
    if (!axisAligned() || !m_box.contains(units)) {
        QPainterPath path;
        path.addEllipse(rect);
        drawPath(path);
        return;
    }
    usePen(true);
    useBrush(true);
    m_recorder.ellipse(toUnitsRect(units));
}

void WmfPaintEngine::drawLines(const QLineF *lines, int count)
{
    QList<QPolygonF> polylines;
    for (int i = 0; i < count; ++i)
        polylines.append(m_toUnits.map(QPolygonF{lines[i].p1(), lines[i].p2()}));
    strokeLines(polylines);
}

// Points are small squares of the pen's width in the pen's colour.
void WmfPaintEngine::drawPoints(const QPointF *points, int count)
{
    if (m_pen.style() == Qt::NoPen)
        return;
    const QPen pen = m_pen;
    const QBrush brush = m_brush;
    const double size = std::max(1.0, pen.widthF());
    m_pen = QPen(Qt::NoPen);
    m_brush = QBrush(pen.color());
    for (int i = 0; i < count; ++i) {
        const QRectF square(points[i] - QPointF(size / 2, size / 2), QSizeF(size, size));
        drawRects(&square, 1);
    }
    m_pen = pen;
    m_brush = brush;
}

void WmfPaintEngine::drawPixmap(const QRectF &rect, const QPixmap &pixmap, const QRectF &source)
{
    drawImage(rect, pixmap.toImage(), source, Qt::AutoColor);
}

void WmfPaintEngine::drawImage(const QRectF &rect, const QImage &image, const QRectF &source,
                               Qt::ImageConversionFlags)
{
    const QRectF dest = m_toUnits.mapRect(rect);
    const QRectF visible = dest & m_box;
    const QRect sourcePixels = source.toAlignedRect() & image.rect();
    if (visible.isEmpty() || sourcePixels.isEmpty())
        return;
    // A picture reaching beyond the box keeps the part of its pixels that stays visible.
    const double sx = sourcePixels.width() / dest.width(), sy = sourcePixels.height() / dest.height();
    const QRect cut = QRectF(sourcePixels.left() + (visible.left() - dest.left()) * sx,
                             sourcePixels.top() + (visible.top() - dest.top()) * sy,
                             visible.width() * sx, visible.height() * sy)
                          .toAlignedRect() &
                      sourcePixels;
    QImage part = opaqueImage(image.copy(cut));
    if (part.width() > 32767 || part.height() > 32767)
        part = part.scaled(part.size().boundedTo(QSize(32767, 32767)), Qt::KeepAspectRatio);
    m_recorder.stretchDib(toUnitsRect(visible), part);
}

void WmfPaintEngine::drawTextItem(const QPointF &p, const QTextItem &textItem)
{
    const QString text = textItem.text();
    if (text.isEmpty() || m_pen.style() == Qt::NoPen || m_pen.color().alpha() == 0)
        return;
    const QFont font = textItem.font();
    const double scale = std::sqrt(std::abs(m_transform.determinant())) * m_unitsPerPixel;
    const double pixels = font.pixelSize() > 0
                              ? font.pixelSize()
                              : font.pointSizeF() * m_generator->resolution() / 72.0;
    WmfFont wmfFont;
    wmfFont.height = std::max(1, int(std::lround(pixels * scale)));
    wmfFont.escapement =
        int(std::lround(-std::atan2(m_transform.m12(), m_transform.m11()) * 1800 / M_PI));
    wmfFont.weight = font.weight();
    wmfFont.italic = font.italic();
    wmfFont.underline = font.underline();
    wmfFont.strikeOut = font.strikeOut();
    wmfFont.faceName = font.family();
    useFont(wmfFont);
    const QRgb colour = m_pen.color().rgb() & 0xffffff;
    if (m_textColour != colour)
        m_recorder.setTextColor(*(m_textColour = colour));
    if (m_textAlign != WmfRecorder::AlignBaselineLeft)
        m_recorder.setTextAlign(m_textAlign = WmfRecorder::AlignBaselineLeft);

    // The advances of the painter's own layout, so the text keeps the width it has on screen.
    const QFontMetricsF metrics(font, m_generator);
    QList<int> dx;
    int placed = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int end = int(std::lround(metrics.horizontalAdvance(text.left(i + 1)) * scale));
        dx.append(end - placed);
        placed = end;
    }
    const QPointF at = m_toUnits.map(p);
    if (m_box.contains(at))
        m_recorder.extTextOut(at.toPoint(), WmfRecorder::toWindows1252(text), dx);
}
