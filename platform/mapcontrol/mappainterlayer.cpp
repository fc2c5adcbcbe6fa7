#include "platform/mapcontrol/mappainter.h"

#include "platform/mapcontrol/crispoutlines.h"
#include "platform/mapcontrol/shapefilelayer.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <map>

// One layer is painted in two passes over the shapes in view: first every area is filled
// shape by shape (with its outline when that is a crisp one-pixel line), then the other
// outlines of each symbol are stroked in large batches. Filling shape by shape is much faster
// in Qt's raster engine than filling a path of many thousand subpaths, while stroking is
// fastest in batches. Vertices are transformed into a reused buffer in each pass rather than
// kept, since fresh memory for millions of points on every redraw costs more than
// transforming them twice.
//
// Outlines are crisp at every width: areas with an outline are filled without antialiasing
// and their outlines stroked without it, in whole device pixels; outlines wider than one
// device pixel are drawn as one-pixel lines and widened (CrispOutlines). Qt strokes a wide pen
// by filling the outline of the stroke, and with antialiasing its coverage rasteriser slows
// down sharply on large paths: a layer outlined that way took thirty to fifty times as long
// as at one pixel. Antialiased lines wider than a pixel are therefore stroked in small batches.

namespace {

// Areas smaller than this (target units across in both directions) are drawn as one
// pixel-sized square: their outline detail can't be seen, but the region's colour stays.
constexpr double kTinyShape = 1.0;
// Successive vertices closer than this (|dx| + |dy|, in pixels of the map at its own size)
// are merged: a picture at a larger factor keeps the same detail, drawn bigger.
constexpr double kMinStep = 1.0;
// With the automatic outline: regions whose median bounding box on the picture is smaller
// than this (device pixels) get a lighter, thinner outline, the smaller the lighter.
constexpr double kDenseRegion = 400.0;
// The share of white mixed into the outline colour when the regions are smallest.
constexpr double kMostLightening = 0.75;
// Elements per stroked path: large enough to batch, small enough for the rasteriser.
constexpr int kStrokeBatch = 4000;
// The same for antialiased lines wider than one pixel.
constexpr int kSoftStrokeBatch = 200;

} // namespace

// The shapes of a layer in view, with their rings in target units on request.
class MapPainter::LayerShapes {
public:
    // minStep: the distance in target units below which successive vertices are merged.
    // grid: units of t per target unit; above 1, vertices are rounded to whole units of t.
    LayerShapes(const MapLayer &layer, const MapRectangle &view, const QTransform &t,
                double minStep, double grid)
        : m_layer(layer), m_shp(dynamic_cast<const ShapefileLayer *>(&layer)),
          m_k(t.m11()), m_dx(t.dx()), m_dy(t.dy()), m_minStep(minStep),
          m_closed(layer.ShapeType() == PolygonShape), m_whole(grid != 1.0), unit(grid)
    {
        for (int s = 0; s < layer.RecordCount(); ++s)
            if (bounds(s).Intersects(view))
                visible.push_back(s);
    }

    MapRectangle bounds(int s) const
    {
        return m_shp ? m_shp->store().bounds(s) : m_layer.RecordShape(s).Extent();
    }
    bool tiny(int s) const
    {
        const MapRectangle b = bounds(s);
        return m_closed && b.Width() * m_k < kTinyShape * unit
               && b.Height() * m_k < kTinyShape * unit;
    }
    QPointF centre(int s) const
    {
        const MapPoint c = bounds(s).Center();
        return {c.X * m_k + m_dx, m_dy - c.Y * m_k};
    }
    int ringCount(int s) const
    {
        if (m_shp)
            return m_shp->store().partEnd(s) - m_shp->store().partBegin(s);
        return int(m_layer.RecordShape(s).Parts().size());
    }
    // Calls fn(ring) for each ring of the shape that keeps enough vertices to be seen.
    template <typename Fn> void forEachRing(int s, QPolygonF &ring, Fn &&fn) const
    {
        if (m_shp) {
            const ShapeStore &st = m_shp->store();
            for (int p = st.partBegin(s); p < st.partEnd(s); ++p)
                if (transform(st.pointsBegin(p), st.pointsEnd(p), ring))
                    fn(ring);
            return;
        }
        const MapShape shape = m_layer.RecordShape(s);
        for (const QPolygonF &part : shape.Parts())
            if (transform(part.constData(), part.constData() + part.size(), ring))
                fn(ring);
    }

    std::vector<int> visible;

private:
    bool transform(const QPointF *begin, const QPointF *end, QPolygonF &ring) const
    {
        // Written through a raw pointer into the reused buffer: appending point by point
        // costs more than the arithmetic.
        ring.resize(end - begin);
        QPointF *out = ring.data();
        QPointF *o = out;
        double lx = 0.0, ly = 0.0;
        for (const QPointF *p = begin; p != end; ++p) {
            double x = p->x() * m_k + m_dx, y = m_dy - p->y() * m_k;
            if (m_whole) {
                x = std::round(x);
                y = std::round(y);
            }
            if (o != out && p + 1 != end && std::abs(x - lx) + std::abs(y - ly) < m_minStep)
                continue;
            *o++ = QPointF(x, y);
            lx = x;
            ly = y;
        }
        ring.resize(o - out);
        return ring.size() >= (m_closed ? 3 : 2);
    }

    const MapLayer &m_layer;
    const ShapefileLayer *m_shp;
    double m_k, m_dx, m_dy;
    double m_minStep;
    bool m_closed;
    bool m_whole;

public:
    const double unit; // one target unit in the units of the rings
};

bool MapPainter::thinOutline(const MapSymbol &symbol) const
{
    return symbol.Outline && symbol.Style != TransparentFill &&
           lineWidth(symbol) * m_deviceScale <= 1.0;
}

void MapPainter::fillAreas(const LayerShapes &shapes, const std::vector<int> &groups,
                           const std::vector<MapSymbol> &symbols)
{
    QPainter &p = *m_painter;
    // Brushes and pens are made once per symbol, and the painter's state is changed only
    // when the symbol changes: each change of antialiasing makes the raster engine choose
    // its drawing routines anew.
    std::vector<QBrush> brushes;
    std::vector<QPen> pens;
    std::vector<char> crisp;
    for (const MapSymbol &sym : symbols) {
        brushes.push_back(areaBrush(sym));
        // Under a crisp outline the soft edge of an antialiased fill would not show: areas
        // with an outline are filled without antialiasing. A one-pixel outline is drawn in
        // the same call (neighbours share their edges and stroke them alike), faster.
        crisp.push_back(sym.Outline);
        pens.push_back(thinOutline(sym) ? outlinePen(sym) : QPen(Qt::NoPen));
    }
    p.setPen(Qt::NoPen);
    bool antialiased = true;
    p.setRenderHint(QPainter::Antialiasing, true);
    int current = -1;
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    // Regions are filled in file order on every target: an enclave stored as its own record
    // after the region around it must lie on top of it. The brush is set only when the class
    // changes, so an SVG or PDF writer starts a new group of attributes only there, and
    // consecutive regions of one class share one group.
    for (int s : shapes.visible) {
        const int g = groups[s];
        if (symbols[g].Style == TransparentFill)
            continue;
        if (g != current) {
            p.setBrush(brushes[g]);
            if (antialiased == bool(crisp[g])) {
                antialiased = !crisp[g];
                p.setRenderHint(QPainter::Antialiasing, antialiased);
            }
            p.setPen(pens[g]);
            current = g;
        }
        if (m_sink)
            m_sink->beginRegion(m_layerNow, s, g);
        if (shapes.tiny(s)) {
            const double u = shapes.unit;
            p.fillRect(QRectF(shapes.centre(s) - QPointF(u, u) / 2.0, QSizeF(u, u)),
                       brushes[g].color());
            continue;
        }
        if (shapes.ringCount(s) == 1) {
            shapes.forEachRing(s, m_ring, [&](const QPolygonF &ring) {
                p.drawPolygon(ring, Qt::OddEvenFill);
            });
            continue;
        }
        path.clear();
        shapes.forEachRing(s, m_ring, [&](const QPolygonF &ring) {
            path.addPolygon(ring);
            path.closeSubpath();
        });
        if (!path.isEmpty())
            p.drawPath(path);
    }
}

void MapPainter::strokeRings(const LayerShapes &shapes, const std::vector<int> &groups,
                             const std::vector<MapSymbol> &symbols, bool lines)
{
    QPainter &p = *m_painter;
    std::vector<QPen> pens(symbols.size());
    std::vector<bool> used(symbols.size(), true);
    for (std::size_t g = 0; g < symbols.size(); ++g) {
        const MapSymbol &sym = symbols[g];
        pens[g] = outlinePen(sym);
        if (lines) {
            pens[g].setColor(toQColor(sym.Color));
        } else if (!sym.Outline) {
            // Without outlines antialiased neighbours would leave a faint seam between
            // them: a hairline in the fill colour closes it.
            used[g] = sym.Style == SolidFill;
            pens[g] = QPen(toQColor(sym.Color), 1.0);
            pens[g].setCosmetic(true);
        }
    }
    if (!lines)
        for (std::size_t g = 0; g < symbols.size(); ++g)
            if (thinOutline(symbols[g]))
                used[g] = false; // outlined together with the fill
    std::vector<QPainterPath> batches(symbols.size());
    std::vector<int> batchSize(symbols.size(), kStrokeBatch);
    if (lines)
        for (std::size_t g = 0; g < symbols.size(); ++g)
            if (!pens[g].isCosmetic())
                batchSize[g] = kSoftStrokeBatch;
    // Outlines wider than a device pixel on a bitmap go through one widened image per width.
    std::map<int, CrispOutlines> wide;
    std::vector<CrispOutlines *> wideOf(symbols.size(), nullptr);
    if (!lines && CrispOutlines::available(p))
        for (std::size_t g = 0; g < symbols.size(); ++g) {
            const int w = int(std::lround(pens[g].widthF() * m_deviceScale));
            if (!used[g] || pens[g].isCosmetic() || w < 2)
                continue;
            auto it = wide.find(w);
            if (it == wide.end())
                it = wide.try_emplace(w, p, QSizeF(m_size), w, wide.empty() ? m_outlineBuffer : nullptr)
                         .first;
            wideOf[g] = &it->second;
            pens[g].setCosmetic(true);
            pens[g].setWidthF(1.0);
        }
    auto flush = [&](std::size_t g) {
        if (m_sink)
            m_sink->beginRegion(m_layerNow, -1, int(g));
        // Outlines are drawn without antialiasing: crisp, and they cover the edges of the
        // fills beneath them. Lines are antialiased.
        if (wideOf[g]) {
            wideOf[g]->stroke(batches[g], pens[g]);
        } else {
            p.setRenderHint(QPainter::Antialiasing, lines);
            p.strokePath(batches[g], pens[g]);
        }
        batches[g].clear();
    };
    for (int s : shapes.visible) {
        const std::size_t g = std::size_t(groups[s]);
        if (!used[g] || shapes.tiny(s))
            continue;
        QPainterPath &batch = batches[g];
        shapes.forEachRing(s, m_ring, [&](const QPolygonF &ring) {
            batch.moveTo(ring.first());
            for (qsizetype i = 1; i < ring.size(); ++i)
                batch.lineTo(ring[i]);
            if (!lines)
                batch.closeSubpath();
        });
        if (batch.elementCount() > batchSize[g])
            flush(g);
    }
    for (std::size_t g = 0; g < batches.size(); ++g)
        if (!batches[g].isEmpty())
            flush(g);
    for (auto &[width, outlines] : wide)
        outlines.compose(p);
    p.setRenderHint(QPainter::Antialiasing, true);
}

void MapPainter::paintLayer(const MapLayer &layer)
{
    const auto renderer = layer.Renderer();
    std::vector<MapSymbol> symbols;
    if (renderer)
        for (int s = 0; s < renderer->SymbolCount(); ++s)
            symbols.push_back(renderer->Symbol(s));
    else
        symbols.push_back(layer.Symbol());
    std::vector<int> groups = symbolIndexes(layer, layer.RecordCount());
    for (int &g : groups)
        g = std::clamp(g, 0, int(symbols.size()) - 1);
    if (m_sink)
        m_sink->layerSymbols(m_layerNow, groups);

    const MapRectangle view = m_extent.Adjusted(m_extent.Width() * 0.01);
    if (layer.ShapeType() == PointShape || layer.ShapeType() == MultiPointShape) {
        for (int s = 0; s < layer.RecordCount(); ++s) {
            const MapShape shape = layer.RecordShape(s);
            if (m_sink)
                m_sink->beginRegion(m_layerNow, s, groups[s]);
            if (shape.Extent().Intersects(view))
                for (const QPolygonF &part : shape.Parts())
                    for (const QPointF &c : part)
                        drawMarker(m_transform.map(c), symbols[groups[s]]);
        }
        return;
    }
    // Merged below one pixel of the map at its own size, but never below one device pixel.
    const double minStep =
        std::max(kMinStep * m_lineScale, kMinStep / std::max(m_deviceScale, 1e-9));
    // SVG and PDF files get whole numbers of a fine grid (kVectorGrid per target unit) drawn
    // under a scale back: half the text of full-precision numbers to write (and for PDF to
    // compress), at a precision no print or zoom shows.
    const double grid = m_vectorGrid;
    if (grid != 1.0) {
        m_painter->save();
        m_painter->scale(1.0 / grid, 1.0 / grid);
        m_gridNow = grid;
    }
    const LayerShapes shapes(layer, view, m_transform * QTransform::fromScale(grid, grid),
                             minStep * grid, grid);
    m_widthShare = 1.0;
    if (m_outlineAuto && layer.ShapeType() == PolygonShape)
        fitOutlines(shapes, symbols);
    if (layer.ShapeType() == PolygonShape)
        fillAreas(shapes, groups, symbols);
    strokeRings(shapes, groups, symbols, layer.ShapeType() == LineShape);
    m_widthShare = 1.0;
    if (grid != 1.0) {
        m_painter->restore();
        m_gridNow = 1.0;
    }
}

void MapPainter::fitOutlines(const LayerShapes &shapes, std::vector<MapSymbol> &symbols)
{
    if (shapes.visible.empty())
        return;
    // Bounding boxes in device pixels; their median says how large a typical region looks.
    const double k = m_transform.m11() * m_deviceScale;
    std::vector<double> areas;
    areas.reserve(shapes.visible.size());
    for (int s : shapes.visible) {
        const MapRectangle b = shapes.bounds(s);
        areas.push_back(b.Width() * b.Height() * k * k);
    }
    auto middle = areas.begin() + std::ptrdiff_t(areas.size() / 2);
    std::nth_element(areas.begin(), middle, areas.end());
    const double median = *middle;
    if (!(median < kDenseRegion))
        return;
    const double white = kMostLightening * (1.0 - median / kDenseRegion);
    for (MapSymbol &symbol : symbols) {
        if (!symbol.Outline || symbol.Style == TransparentFill)
            continue;
        const QColor c = toQColor(symbol.OutlineColor);
        auto mix = [white](int v) { return int(std::lround(v + (255 - v) * white)); };
        symbol.OutlineColor = fromQColor(QColor(mix(c.red()), mix(c.green()), mix(c.blue())));
        symbol.Size = 1.0;
    }
    // A bitmap's thinnest crisp line is one device pixel; vector pictures get a half one.
    if (!m_wholePixels)
        m_widthShare = 0.5;
}
