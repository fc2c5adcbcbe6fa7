#include "app/view/cdrawsymbol.h"

#include "app/runtime/showmessage.h"
#include "app/mapdefs/creadmapfile.h"
#include "app/runtime/phasetimer.h"
#include "app/view/buildview.h"
#include "app/files/viewstate.h"
#include "platform/mapcontrol/mapwidget.h"
#include "zoomkeeper/scalehandler.h"
#include "contracts/mapcontrol.h"
#include "contracts/runtimeerror.h"

#include <QAction>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

// The constant of the circle formula is 3.14, not pi to more places: the circle sizes of
// existing maps and option files depend on it.
constexpr double CirclePi = 3.14;
// Regions spanning at least this many map units each way have their circle centres rounded
// to whole units.
constexpr double WholeUnitSpan = 1000.0;

double recordValue(const MapRecordset &records, const QString &field)
{
    const QVariant v = records.Value(field);
    return v.isValid() ? v.toDouble() : 0.0;
}

void checkFinite(double value)
{
    if (!std::isfinite(value))
        throw RunTimeError(6, QStringLiteral("Overflow"), QStringLiteral("CDrawSymbol"));
}

// A batch run says on stderr how many regions with data get no circle for a value below 0.
void reportNegativeValues(MapLayer &layer, const QString &field, std::int32_t nullValue,
                          int drawn)
{
    if (!BatchMessages())
        return;
    const auto withData = layer.SearchExpression(DataExpression(field, nullValue));
    const int below = withData ? withData->Count() - drawn : 0;
    if (below > 0)
        std::fprintf(stderr,
                     "Chorel: %d region(s) with a value below 0 in %s get no circle: a "
                     "circle's area cannot be negative\n",
                     below, qUtf8Printable(field));
}

} // namespace

double CDrawSymbol::circleArea(double value, double minimum, double factor) const
{
    if (minimum >= 0)
        return factor * value;
    // With negative values the most negative one gets area 0; positive values start above
    // the area the most negative value would have had.
    if (value <= 0)
        return factor * (std::fabs(minimum) - std::fabs(value)) / 3.0;
    return factor * (3.0 * value + std::fabs(minimum));
}

void CDrawSymbol::Calculate(const QString &field, bool &ok)
{
    ok = false;
    m_shapes.clear();
    m_smallestValue.reset();
    if (!recData)
        return;
    const std::optional<MapStatistics> stats = recData->CalculateStatistics(field);
    if (!stats)
        return;
    const double minimum = stats->Min;

    // One pass over the regions: their values, centres, summed area and extent. Shapes are
    // read once each, which is most of the cost on large layers.
    struct Region {
        double value;
        MapPoint centre;
    };
    std::vector<Region> regions;
    regions.reserve(std::size_t(std::max(0, recData->Count())));
    double total = 0.0;
    double area = 0.0;
    MapRectangle extent;
    for (recData->MoveFirst(); !recData->AtEnd(); recData->MoveNext()) {
        const double value = recordValue(*recData, field);
        total += minimum >= 0 ? value : std::fabs(value);
        const MapShape shape = recData->Shape();
        area += shape.Area();
        extent = extent.United(shape.Extent());
        regions.push_back({value, shape.Centroid()});
        m_smallestValue = std::min(value, m_smallestValue.value_or(value));
    }
    checkFinite(total);
    if (total == 0.0)
        return;

    const double ratio = area / total;
    const double factor = CirclePercent * ratio / 100.0;
    checkFinite(factor);

    // Centres are rounded to whole map units on projected maps (metres, feet), where a unit
    // is far below what a map shows. Maps in degrees span only a few hundred units: there
    // rounding would pile the circles of neighbouring regions onto the same whole degree,
    // so their centres stay exact.
    const bool wholeUnits = extent.Width() >= WholeUnitSpan && extent.Height() >= WholeUnitSpan;
    m_shapes.reserve(qsizetype(regions.size()));
    for (const Region &region : regions) {
        const double cx = wholeUnits ? std::nearbyint(region.centre.X) : region.centre.X;
        const double cy = wholeUnits ? std::nearbyint(region.centre.Y) : region.centre.Y;
        const double circle = circleArea(region.value, minimum, factor);
        // A negative percentage (from a hand-edited option file) gives no circle, not NaN.
        const double radius = std::sqrt(std::max(0.0, circle) / CirclePi);
        checkFinite(radius);
        m_shapes.append(MapShape::Ellipse(
            MapRectangle(cx - radius, cx + radius, cy - radius, cy + radius)));
    }
    recData->MoveFirst();
    ok = true;
}

MapShape CDrawSymbol::DrawnCircle(const MapShape &shape, double scale)
{
    const double smallest = scale / 1000.0;
    const MapRectangle r = shape.Extent();
    if (r.Width() > 0 && r.Width() < smallest) {
        const double x = r.Left + r.Width() / 2.0;
        const double y = r.Bottom + r.Height() / 2.0;
        const double half = smallest / 2.0;
        return MapShape::Ellipse(MapRectangle(x - half, x + half, y - half, y + half));
    }
    return shape;
}

void CDrawSymbol::Draw(std::int32_t minimumSize, MapColor color, int style, bool &ok)
{
    ok = true;
    if (!mMap)
        return;
    MapSymbol symbol;
    symbol.Color = color;
    symbol.Style = style;
    // All circles in one call: the map sets up its painter once for them.
    QList<MapShape> circles;
    circles.reserve(m_shapes.size());
    for (const MapShape &shape : std::as_const(m_shapes))
        circles.append(DrawnCircle(shape, minimumSize));
    mMap->DrawShapes(circles, symbol);
}

double CDrawSymbol::LargestDiameter() const
{
    return m_shapes.isEmpty() ? 0.0 : m_shapes.first().Extent().Width();
}

double CDrawSymbol::SmallestDiameter() const
{
    return m_shapes.isEmpty() ? 0.0 : m_shapes.last().Extent().Width();
}

QString CircleExpression(const QString &field, std::int32_t nullValue)
{
    if (nullValue >= 0)
        return DataExpression(field, nullValue);
    return field + QStringLiteral(" >= 0");
}

bool PrepareSymbols(ViewValues &values, int percentage, int mapNumber, MapControl &map,
                    CReadMapFile &mapDefinition)
{
    values.SymbolDrawer = std::make_unique<CDrawSymbol>();
    const std::shared_ptr<MapLayer> layer = map.Layer(values.ThematicLayer);
    const QList<CFields> fields = mapDefinition.GetFields(mapNumber);
    const QString field =
        fields.size() >= 3 ? fields.at(2).sPhysical : mapDefinition.GetStatField();
    std::unique_ptr<MapRecordset> records;
    PhaseTimer::Mark("classes");
    if (layer)
        records = layer->SearchExpression(CircleExpression(field, values.NullValue)
                                          + QStringLiteral(" order by ") + field
                                          + QStringLiteral(" desc"));
    if (records && layer)
        reportNegativeValues(*layer, field, values.NullValue, records->Count());
    if (!records) {
        values.SymbolDrawer.reset();
        return false;
    }
    CDrawSymbol &drawer = *values.SymbolDrawer;
    drawer.CirclePercent = std::int16_t(std::clamp(percentage, -32768, 32767));
    drawer.mMap = &map;
    drawer.recData = std::move(records);
    bool ok = false;
    drawer.Calculate(field, ok);
    PhaseTimer::Mark("circles");
    return true;
}

bool DrawSymbolsAfterLayer(int layerIndex, CDrawSymbol *symbolDrawer, bool circleMap,
                           double scale, MapColor symbolColor)
{
    if (layerIndex != 0 || !symbolDrawer || !circleMap)
        return false;
    // The scale number as a whole number; a scale beyond the 32-bit range draws no minimum.
    const double whole = std::nearbyint(scale);
    const std::int32_t minimumSize = std::fabs(whole) < 2.0e9 ? std::int32_t(whole) : 0;
    bool ok = false;
    symbolDrawer->Draw(minimumSize, symbolColor, SolidFill, ok);
    return ok;
}

void ConnectMapDrawEvents(MapWidget &map, ViewContext &context, QAction *prevExtent)
{
    // The pointer the map had before it started drawing its layers; none when the map
    // already showed the wait pointer (a view being built restores its own pointer).
    auto pointer = std::make_shared<std::optional<int>>();
    QObject::connect(&map, &MapWidget::BeforeLayerDraw, &map, [&map, pointer](int index) {
        if (index != map.LayerCount() - 1 || map.MousePointer() == WaitPointer)
            return;
        *pointer = map.MousePointer();
        map.SetMousePointer(WaitPointer);
    });
    QObject::connect(&map, &MapWidget::AfterLayerDraw, &map,
                     [&map, &context, prevExtent, pointer](int index) {
        if (index != 0)
            return;
        if (prevExtent && context.navigator)
            prevExtent->setEnabled(context.navigator->NumPrevExtents() >= 1);
        if (context.values && context.state) {
            const double scale = context.navigator ? context.navigator->GetScale() : -1.0;
            DrawSymbolsAfterLayer(0, context.values->SymbolDrawer.get(),
                                  context.state->CircleMap, scale, context.state->SymbolColor);
        }
        if (pointer->has_value()) {
            map.SetMousePointer(**pointer);
            pointer->reset();
        }
    });
}
