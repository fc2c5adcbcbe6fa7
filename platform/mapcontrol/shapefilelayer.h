#pragma once

#include "contracts/maplayer.h"
#include "platform/mapcontrol/layertable.h"
#include "platform/mapcontrol/shapestore.h"
#include "platform/mapcontrol/spatialgrid.h"

#include <memory>

// A map layer read from a shapefile (.shp and .dbf): the shapes packed in a ShapeStore with
// a spatial grid, and the attribute table.
class ShapefileLayer : public MapLayer, public std::enable_shared_from_this<ShapefileLayer> {
public:
    // Reads the shapefile; none, with *error, when it cannot be read. Polygons (also with
    // Z or M values), lines, points and point sets are accepted.
    static std::shared_ptr<ShapefileLayer> open(const QString &shpPath, QString *error);

    QString Name() const override { return m_name; }
    void SetName(const QString &name) { m_name = name; }
    QString FileName() const override { return m_path; }
    int ShapeType() const override { return m_shapeType; }
    MapRectangle Extent() const override { return m_extent; }
    int RecordCount() const override { return m_store.shapeCount(); }
    bool Visible() const override { return m_visible; }
    void SetVisible(bool visible) override { m_visible = visible; }

    MapSymbol &Symbol() override { return m_symbol; }
    const MapSymbol &Symbol() const override { return m_symbol; }
    std::shared_ptr<ClassBreaksRenderer> Renderer() const override { return m_renderer; }
    void SetRenderer(std::shared_ptr<ClassBreaksRenderer> renderer) override;

    QStringList FieldNames() const override { return m_table.fieldNames(); }
    std::optional<MapFieldKind> FieldKind(const QString &field) const override;
    QVariant FieldValue(int record, const QString &field) const override;
    MapShape RecordShape(int record) const override;

    std::unique_ptr<MapRecordset> SearchExpression(const QString &expression) override;
    std::unique_ptr<MapRecordset> SearchByDistance(const MapPoint &point,
                                                   double distance) override;
    bool ReloadTable() override;
    QString LastError() const override { return m_lastError; }

    // For painting and for the record selections.
    const ShapeStore &store() const { return m_store; }
    const LayerTable &table() const { return m_table; }
    std::size_t memoryBytes() const { return m_store.memoryBytes(); }

private:
    ShapefileLayer() = default;
    bool readShapes(const QString &shpPath, QString *error);

    QString m_path;
    QString m_name;
    int m_shapeType = NullShape;
    MapRectangle m_extent;
    ShapeStore m_store;
    SpatialGrid m_grid;
    LayerTable m_table;
    MapSymbol m_symbol;
    std::shared_ptr<ClassBreaksRenderer> m_renderer;
    bool m_visible = true;
    QString m_lastError;
};
