#include "platform/legend/legendpainter.h"

#include "contracts/mapcontrol.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kMargin = 8.0;
constexpr double kPatchW = 24.0;
constexpr double kPatchH = 15.0;
constexpr double kGap = 8.0;
constexpr double kLargestCircle = 40.0;

QFont legendFont(int pixelSize, bool bold)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

LegendPainter::Row makeRow(LegendPainter::Row::Kind kind, int layer, int symbolIndex = -1,
                           const MapSymbol &symbol = MapSymbol(), int shape = 0)
{
    LegendPainter::Row r;
    r.kind = kind;
    r.layerIndex = layer;
    r.symbolIndex = symbolIndex;
    r.symbol = symbol;
    r.layerShape = shape;
    return r;
}

} // namespace

LegendPainter::LegendPainter(const MapControl *map, const LegendSettings &settings)
    : m_map(map), m_settings(settings), m_titleFont(legendFont(13, true)),
      m_textFont(legendFont(12, false))
{
    if (m_map)
        for (int i = 0; i < m_map->LayerCount(); ++i)
            addLayer(i);
    layout();
}

void LegendPainter::addLayer(int index)
{
    const auto layer = m_map->Layer(index);
    const LegendLayerSettings ls = m_settings.layers.value(index);
    if (!layer || !ls.shown)
        return;
    const QString title = ls.title.isEmpty() ? layer->Name() : ls.title;
    const auto renderer = layer->Renderer();
    if (!ls.circles && !renderer) {
        Row r = makeRow(Row::Kind::Patch, index, -1, layer->Symbol(), layer->ShapeType());
        r.label = title;
        m_rows << r;
        return;
    }
    Row t = makeRow(Row::Kind::Title, index);
    t.label = title;
    m_rows << t;
    if (m_settings.showFieldName && !m_settings.fieldName.isEmpty()) {
        Row f = makeRow(Row::Kind::Field, index);
        f.label = m_settings.fieldName;
        m_rows << f;
    }
    if (!ls.expanded)
        return;
    if (ls.circles)
        addCircles(index);
    else
        addClasses(index, *renderer);
}

void LegendPainter::addClasses(int index, const ClassBreaksRenderer &renderer)
{
    const auto layer = m_map->Layer(index);
    const int n = renderer.BreakCount();
    // A class ends at the highest shown number not above its break (a value on the break is
    // painted in the lower class); the next begins one unit of the last decimal above it.
    const int decimals = std::max(0, m_settings.numDecimals);
    const double step = std::pow(10.0, -decimals);
    QList<int> counts(renderer.SymbolCount(), 0);
    if (m_settings.showCounts)
        for (int r = 0; r < layer->RecordCount(); ++r) {
            bool ok = false;
            const double v = layer->FieldValue(r, renderer.Field()).toDouble(&ok);
            ++counts[renderer.SymbolIndex(v, !ok)];
        }
    auto add = [&](int symbol, const QString &lower, const QString &upper, const QString &label) {
        Row row = makeRow(Row::Kind::Patch, index, symbol, renderer.Symbol(symbol), layer->ShapeType());
        row.lower = lower;
        row.upper = upper;
        row.label = label;
        if (m_settings.showCounts)
            row.count = QStringLiteral("(%1)").arg(counts[symbol]);
        m_rows << row;
    };
    for (int i = 1; i <= n; ++i) {
        const double lo =
            i == 1 ? m_settings.rangeMinimum() : ShownBreak(renderer.Break(i - 1), decimals) + step;
        const double hi = i == n ? m_settings.rangeMaximum() : ShownBreak(renderer.Break(i), decimals);
        add(i, formatLegendNumber(lo, m_settings.numberFormat),
            formatLegendNumber(hi, m_settings.numberFormat), QString());
    }
    if (m_settings.showNoData)
        add(0, QString(), QString(), m_settings.noDataText);
}

void LegendPainter::addCircles(int index)
{
    const double max = m_settings.rangeMaximum(), min = m_settings.rangeMinimum();
    double big = kLargestCircle, small = 0.0;
    if (m_settings.circleSizesGiven && m_settings.largestDiameter <= 0.0) {
        big = 0.0; // the map draws no circle (a size of 0 %): neither does the legend
    } else if (m_settings.largestDiameter > 0.0 && m_map && m_map->Extent().Width() > 0.0) {
        const double k = m_map->ControlSize().width() / m_map->Extent().Width();
        big = m_settings.largestDiameter * k;
        small = m_settings.smallestDiameter * k;
    } else if (max > 0.0 && min > 0.0) {
        small = big * std::sqrt(min / max); // circle areas follow the values
    }
    MapSymbol sym;
    sym.Color = m_settings.circleColor;
    sym.OutlineColor = 0;
    auto add = [&](const QString &text, double value, double diameter) {
        Row row = makeRow(Row::Kind::Circle, index, -1, sym);
        // A circle too small to see is drawn at 2 pixels, as the map draws it; one of size 0
        // is not drawn at all.
        row.diameter = diameter > 0.0 ? std::max(diameter, 2.0) : 0.0;
        row.label = text + QStringLiteral(": ") + formatLegendNumber(value, m_settings.numberFormat);
        m_rows << row;
    };
    add(m_settings.largestText, max, big);
    add(m_settings.smallestText, min, small);
}

void LegendPainter::layout()
{
    const QFontMetricsF tm(m_titleFont), fm(m_textFont);
    m_dashWidth = fm.horizontalAdvance(QStringLiteral(" \u2013 "));
    m_symbolWidth = kPatchW;
    for (const Row &r : m_rows) {
        m_lowerWidth = std::max(m_lowerWidth, fm.horizontalAdvance(r.lower));
        m_upperWidth = std::max(m_upperWidth, fm.horizontalAdvance(r.upper));
        if (r.kind == Row::Kind::Circle)
            m_symbolWidth = std::max(m_symbolWidth, r.diameter);
    }
    double y = kMargin, width = 0.0;
    const double textX = kMargin + m_symbolWidth + kGap;
    for (int i = 0; i < m_rows.size(); ++i) {
        Row &r = m_rows[i];
        if (r.kind == Row::Kind::Title && i > 0)
            y += fm.height() * 0.6; // space between entries
        double w = 0.0;
        switch (r.kind) {
        case Row::Kind::Title:
            r.height = tm.height() + 4.0;
            w = kMargin + tm.horizontalAdvance(r.label);
            break;
        case Row::Kind::Field:
            r.height = fm.height() + 2.0;
            w = kMargin + fm.horizontalAdvance(r.label);
            break;
        case Row::Kind::Patch: {
            r.height = std::max(fm.height(), kPatchH) + 5.0;
            r.symbolRect = QRectF(kMargin, y + (r.height - kPatchH) / 2.0, kPatchW, kPatchH);
            const double ranges = r.label.isEmpty()
                                      ? m_lowerWidth + m_dashWidth + m_upperWidth
                                      : fm.horizontalAdvance(r.label);
            w = textX + ranges + (r.count.isEmpty() ? 0.0 : kGap + fm.horizontalAdvance(r.count));
            break;
        }
        case Row::Kind::Circle:
            r.height = std::max(fm.height(), r.diameter) + 6.0;
            r.symbolRect = QRectF(kMargin + (m_symbolWidth - r.diameter) / 2.0,
                                  y + (r.height - r.diameter) / 2.0, r.diameter, r.diameter);
            w = textX + fm.horizontalAdvance(r.label);
            break;
        }
        r.top = y;
        y += r.height;
        width = std::max(width, w);
    }
    m_size = QSizeF(std::ceil(std::max(width + kMargin, 60.0)), std::ceil(y + kMargin));
}
