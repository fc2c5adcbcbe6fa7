#include "platform/mapcontrol/shapefilelayer.h"

#include "platform/mapcontrol/dbftextdecoder.h"
#include "platform/mapcontrol/layerrecordset.h"
#include "platform/mapcontrol/searchexpression.h"
#include "platform/mapcontrol/shapelibhooks.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

struct ShpCloser {
    void operator()(SHPInfo *h) const { SHPClose(h); }
};
struct ShapeDestroyer {
    void operator()(SHPObject *o) const { SHPDestroyObject(o); }
};

int shapeKind(int shpType)
{
    switch (shpType) {
    case SHPT_POLYGON: case SHPT_POLYGONZ: case SHPT_POLYGONM:
        return PolygonShape;
    case SHPT_ARC: case SHPT_ARCZ: case SHPT_ARCM:
        return LineShape;
    case SHPT_POINT: case SHPT_POINTZ: case SHPT_POINTM:
        return PointShape;
    case SHPT_MULTIPOINT: case SHPT_MULTIPOINTZ: case SHPT_MULTIPOINTM:
        return MultiPointShape;
    default:
        return NullShape;
    }
}

// The .dbf beside the .shp (also with its extension in another letter case).
QString tablePath(const QString &shpPath)
{
    const QString found = findSiblingFile(shpPath, QStringLiteral("dbf"));
    if (!found.isEmpty())
        return found;
    const QFileInfo fi(shpPath);
    return fi.path() + '/' + fi.completeBaseName() + ".dbf";
}

} // namespace

std::shared_ptr<ShapefileLayer> ShapefileLayer::open(const QString &shpPath, QString *error)
{
    std::shared_ptr<ShapefileLayer> layer(new ShapefileLayer);
    layer->m_path = shpPath;
    layer->m_name = QFileInfo(shpPath).completeBaseName();
    if (!layer->readShapes(shpPath, error))
        return nullptr;
    if (!layer->m_table.read(tablePath(shpPath), error))
        return nullptr;
    if (layer->m_table.rowCount() != layer->RecordCount()) {
        if (error)
            *error = QStringLiteral("The table of %1 has %2 rows for %3 shapes")
                         .arg(shpPath)
                         .arg(layer->m_table.rowCount())
                         .arg(layer->RecordCount());
        return nullptr;
    }
    layer->m_grid.build(layer->m_store.allBounds(), layer->m_extent);
    return layer;
}

bool ShapefileLayer::readShapes(const QString &shpPath, QString *error)
{
    SAHooks hooks = collectingShapelibHooks();
    takeShapelibErrors();
    std::unique_ptr<SHPInfo, ShpCloser> shp(
        SHPOpenLL(QFile::encodeName(shpPath).constData(), "rb", &hooks));
    auto fail = [&](const QString &why) {
        if (error)
            *error = QStringLiteral("Can't read the shape file %1: %2").arg(shpPath, why);
        return false;
    };
    if (!shp) {
        const QString why = takeShapelibErrors();
        return fail(why.isEmpty() ? QStringLiteral("the file is missing or damaged") : why);
    }
    int count = 0, type = 0;
    SHPGetInfo(shp.get(), &count, &type, nullptr, nullptr);
    m_shapeType = shapeKind(type);
    if (m_shapeType == NullShape)
        return fail(QStringLiteral("shapes of type %1 can't be shown").arg(type));
    m_store.reserve(std::size_t(count), std::size_t(count) * 8);
    for (int i = 0; i < count; ++i) {
        std::unique_ptr<SHPObject, ShapeDestroyer> obj(SHPReadObject(shp.get(), i));
        if (!obj) {
            // A record that cannot be read becomes an empty shape; the rest still shows.
            m_store.append(nullptr, nullptr, 0, nullptr, 0);
            continue;
        }
        m_store.append(obj->padfX, obj->padfY, obj->nVertices, obj->panPartStart,
                       obj->nParts);
        const MapRectangle &b = m_store.bounds(i);
        if (obj->nVertices > 0)
            m_extent = m_extent == MapRectangle() ? b : m_extent.United(b);
    }
    takeShapelibErrors(); // damaged single records are tolerated above
    return true;
}

void ShapefileLayer::SetRenderer(std::shared_ptr<ClassBreaksRenderer> renderer)
{
    m_renderer = std::move(renderer);
}

std::optional<MapFieldKind> ShapefileLayer::FieldKind(const QString &field) const
{
    const int f = m_table.fieldIndex(field);
    if (f < 0)
        return std::nullopt;
    return m_table.fieldKind(f);
}

QVariant ShapefileLayer::FieldValue(int record, const QString &field) const
{
    if (record < 0 || record >= RecordCount())
        return {};
    const int f = m_table.fieldIndex(field);
    if (f >= 0)
        return m_table.value(record, f);
    if (field.compare(QLatin1String("shape"), Qt::CaseInsensitive) == 0)
        return QVariant::fromValue(RecordShape(record));
    if (field.compare(QLatin1String("Featureid"), Qt::CaseInsensitive) == 0)
        return record;
    return {};
}

MapShape ShapefileLayer::RecordShape(int record) const
{
    if (record < 0 || record >= RecordCount())
        return {};
    return m_store.shape(record, m_shapeType);
}

std::unique_ptr<MapRecordset> ShapefileLayer::SearchExpression(const QString &expression)
{
    const auto parsed = ::SearchExpression::parse(expression, m_table, &m_lastError);
    if (!parsed)
        return nullptr;
    m_lastError.clear();
    return std::make_unique<LayerRecordset>(shared_from_this(), parsed->select(m_table));
}

std::unique_ptr<MapRecordset> ShapefileLayer::SearchByDistance(const MapPoint &point,
                                                               double distance)
{
    distance = std::max(distance, 0.0);
    const MapRectangle area(point.X - distance, point.X + distance, point.Y - distance,
                            point.Y + distance);
    std::vector<std::pair<double, int>> found;
    for (int s : m_grid.query(area)) {
        const double d = RecordShape(s).DistanceTo(point);
        if (d <= distance)
            found.emplace_back(d, s);
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    std::vector<int> records;
    records.reserve(found.size());
    for (const auto &f : found)
        records.push_back(f.second);
    return std::make_unique<LayerRecordset>(shared_from_this(), std::move(records));
}

bool ShapefileLayer::ReloadTable()
{
    LayerTable fresh;
    if (!fresh.read(tablePath(m_path), &m_lastError))
        return false;
    if (fresh.rowCount() != RecordCount()) {
        m_lastError = QStringLiteral("The table of %1 now has %2 rows for %3 shapes")
                          .arg(m_path)
                          .arg(fresh.rowCount())
                          .arg(RecordCount());
        return false;
    }
    m_table = std::move(fresh);
    m_lastError.clear();
    return true;
}
