#include "platform/mapcontrol/labelplacer.h"

#include "platform/mapcontrol/poleofinaccessibility.h"
#include "platform/mapcontrol/shapefilelayer.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

namespace {

// Successive vertices closer than this (pixels) are merged before the search: finer than
// the pole's precision, and a county of a detailed outline keeps a few dozen vertices.
constexpr double kMergeStep = 0.5;
// The pole is found to within this many pixels.
constexpr double kPolePrecision = 1.0;
// Side of the cells of the grid that finds the labels near a box, in pixels.
constexpr double kGridCell = 48.0;
// Points of a box tested against its region: kSamplesX by kSamplesY.
constexpr int kSamplesX = 5;
constexpr int kSamplesY = 3;

// The positions tried, as shifts of the box's centre from the anchor in box widths and
// heights: on the anchor first, then above and below it, then beside it, then diagonally.
constexpr double kShifts[][2] = {{0, 0},       {0, -0.6},     {0, 0.6},     {-0.25, 0},
                                 {0.25, 0},    {-0.25, -0.6}, {0.25, -0.6}, {-0.25, 0.6},
                                 {0.25, 0.6}};

struct Region {
    int record;
    double area;
    double rank;
    std::vector<QPolygonF> rings;
};

std::vector<QPolygonF> pictureRings(const MapLayer &layer, int record, const QTransform &t)
{
    std::vector<QPolygonF> rings;
    auto add = [&](const QPointF *begin, const QPointF *end) {
        QPolygonF ring;
        ring.reserve(end - begin);
        for (const QPointF *p = begin; p != end; ++p) {
            const QPointF q = t.map(*p);
            if (!ring.isEmpty() && p + 1 != end
                && std::abs(q.x() - ring.last().x()) + std::abs(q.y() - ring.last().y())
                       < kMergeStep)
                continue;
            ring.append(q);
        }
        if (ring.size() >= 3)
            rings.push_back(std::move(ring));
    };
    if (const auto *shp = dynamic_cast<const ShapefileLayer *>(&layer)) {
        const ShapeStore &store = shp->store();
        for (int p = store.partBegin(record); p < store.partEnd(record); ++p)
            add(store.pointsBegin(p), store.pointsEnd(p));
    } else {
        const MapShape shape = layer.RecordShape(record);
        for (const QPolygonF &part : shape.Parts())
            add(part.constData(), part.constData() + part.size());
    }
    return rings;
}

MapRectangle recordBounds(const MapLayer &layer, int record)
{
    if (const auto *shp = dynamic_cast<const ShapefileLayer *>(&layer))
        return shp->store().bounds(record);
    return layer.RecordShape(record).Extent();
}

// The placed boxes, found by the cells of a grid they touch.
class BoxGrid {
public:
    explicit BoxGrid(const QSizeF &picture)
        : m_columns(std::max(1, int(std::ceil(picture.width() / kGridCell)))),
          m_rows(std::max(1, int(std::ceil(picture.height() / kGridCell)))),
          m_cells(std::size_t(m_columns) * std::size_t(m_rows))
    {
    }
    bool overlaps(const QRectF &box) const
    {
        bool hit = false;
        forCells(box, [&](const std::vector<int> &cell) {
            for (int i : cell)
                if (m_boxes[std::size_t(i)].intersects(box))
                    hit = true;
        });
        return hit;
    }
    void add(const QRectF &box)
    {
        const int index = int(m_boxes.size());
        m_boxes.push_back(box);
        forCells(box, [&](std::vector<int> &cell) { cell.push_back(index); });
    }

private:
    template <typename Fn> void forCells(const QRectF &box, Fn &&fn) const
    {
        const_cast<BoxGrid *>(this)->forCells(box, fn);
    }
    template <typename Fn> void forCells(const QRectF &box, Fn &&fn)
    {
        const int c0 = std::clamp(int(box.left() / kGridCell), 0, m_columns - 1);
        const int c1 = std::clamp(int(box.right() / kGridCell), 0, m_columns - 1);
        const int r0 = std::clamp(int(box.top() / kGridCell), 0, m_rows - 1);
        const int r1 = std::clamp(int(box.bottom() / kGridCell), 0, m_rows - 1);
        for (int r = r0; r <= r1; ++r)
            for (int c = c0; c <= c1; ++c)
                fn(m_cells[std::size_t(r) * std::size_t(m_columns) + std::size_t(c)]);
    }

    int m_columns, m_rows;
    std::vector<std::vector<int>> m_cells;
    std::vector<QRectF> m_boxes;
};

// Whether the box keeps its centre in the region and no more than the allowed share of it
// outside.
bool fitsRegion(const QRectF &box, const std::vector<QPolygonF> &rings)
{
    if (!InsideRings(box.center(), rings))
        return false;
    int outside = 0;
    constexpr int samples = kSamplesX * kSamplesY;
    const int allowed = int(std::floor(LabelPlacer::kMostOutside * samples));
    for (int i = 0; i < kSamplesX; ++i)
        for (int j = 0; j < kSamplesY; ++j) {
            const QPointF p(box.left() + box.width() * (i + 0.5) / kSamplesX,
                            box.top() + box.height() * (j + 0.5) / kSamplesY);
            if (!InsideRings(p, rings) && ++outside > allowed)
                return false;
        }
    return true;
}

} // namespace

QFont LabelPlacer::labelFont(const MapLabels &labels)
{
    QFont font(labels.fontFamily.isEmpty() ? QStringLiteral("DejaVu Sans") : labels.fontFamily);
    font.setStyleHint(QFont::SansSerif);
    // Points of 1/72 inch on a picture of 96 pixels an inch.
    font.setPixelSize(std::max(4, int(std::lround(labels.pointSize * 96.0 / 72.0))));
    return font;
}

LabelPlacer::LabelPlacer(const MapLabels &labels, const QTransform &toPicture,
                         const QSizeF &picture)
    : m_labels(labels), m_toPicture(toPicture), m_picture(picture), m_font(labelFont(labels))
{
}

LabelPlacement LabelPlacer::place() const
{
    LabelPlacement result;
    const std::shared_ptr<MapLayer> layer = m_labels.layer.lock();
    if (!layer || layer->ShapeType() != PolygonShape)
        return result;
    const QRectF picture(QPointF(0, 0), m_picture);
    const int count = std::min(layer->RecordCount(), int(m_labels.texts.size()));
    std::vector<Region> regions;
    for (int r = 0; r < count; ++r) {
        if (m_labels.texts.at(r).trimmed().isEmpty())
            continue;
        const MapRectangle b = recordBounds(*layer, r);
        if (!m_toPicture.mapRect(QRectF(b.Left, b.Bottom, b.Width(), b.Height())).intersects(picture))
            continue;
        Region region{r, 0.0, 0.0, pictureRings(*layer, r, m_toPicture)};
        double area2 = 0.0;
        for (const QPolygonF &ring : region.rings)
            area2 += RingArea2(ring);
        region.area = std::abs(area2) / 2.0;
        const double rank = r < int(m_labels.rank.size()) ? m_labels.rank[std::size_t(r)] : 0.0;
        region.rank = std::isnan(rank) ? -HUGE_VAL : rank;
        regions.push_back(std::move(region));
    }
    const bool ranked = !m_labels.rank.empty();
    std::stable_sort(regions.begin(), regions.end(), [ranked](const Region &a, const Region &b) {
        if (ranked && a.rank != b.rank)
            return a.rank > b.rank;
        return a.area > b.area;
    });

    const QFontMetricsF metrics(m_font);
    BoxGrid placed(m_picture);
    for (const Region &region : regions) {
        const QString &text = m_labels.texts.at(region.record);
        const QSizeF size = metrics.size(0, text) + QSizeF(2 * kHalo, 2 * kHalo);
        // A region smaller than the part of the box that must lie in it can't hold it.
        if (region.rings.empty()
            || region.area < (1.0 - kMostOutside) * size.width() * size.height()) {
            result.leftOut.push_back(region.record);
            continue;
        }
        const PolePoint pole = PoleOfInaccessibility(LargestPart(region.rings), kPolePrecision);
        bool done = false;
        for (const auto &shift : kShifts) {
            const QPointF centre = pole.point + QPointF(shift[0] * size.width(),
                                                        shift[1] * size.height());
            const QRectF box(centre - QPointF(size.width(), size.height()) / 2.0, size);
            if (!picture.contains(box) || placed.overlaps(box) || !fitsRegion(box, region.rings))
                continue;
            placed.add(box);
            result.placed.push_back({region.record, text, pole.point, box});
            done = true;
            break;
        }
        if (!done)
            result.leftOut.push_back(region.record);
    }
    return result;
}
