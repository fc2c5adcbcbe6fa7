#include "platform/mapcontrol/shapefilelayer.h"

#include "platform/mapcontrol/dbftextdecoder.h"
#include "platform/mapcontrol/layerrecordset.h"
#include "platform/mapcontrol/searchexpression.h"
#include "platform/mapcontrol/shpfile.h"

#include <shapefil.h>

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

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
    ShpFile file;
    QString why;
    if (!file.read(shpPath, m_store, &why)) {
        if (error)
            *error = QStringLiteral("Can't read the shape file %1: %2").arg(shpPath, why);
        return false;
    }
    m_shapeType = shapeKind(file.fileType());
    // The extent of the shapes with vertices (a point at 0, 0 counts too).
    bool first = true;
    for (int i = 0; i < m_store.shapeCount(); ++i)
        if (m_store.partEnd(i) > m_store.partBegin(i)) {
            const MapRectangle &b = m_store.bounds(i);
            if (first)
                m_extent = b;
            m_extent = {std::min(m_extent.Left, b.Left), std::max(m_extent.Right, b.Right),
                        std::min(m_extent.Bottom, b.Bottom), std::max(m_extent.Top, b.Top)};
            first = false;
        }
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
    if (!fresh.read(tablePath(m_path), &m_lastError, &m_table))
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
