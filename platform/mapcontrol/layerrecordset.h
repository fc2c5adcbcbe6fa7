#pragma once

#include "contracts/maprecordset.h"

#include <memory>
#include <vector>

class ShapefileLayer;

// A record selection of a shapefile layer: record numbers in the selection's order and a
// current position. Values are read from the layer's table as it is when asked.
class LayerRecordset : public MapRecordset {
public:
    LayerRecordset(std::shared_ptr<const ShapefileLayer> layer, std::vector<int> records);

    bool AtEnd() const override { return m_pos >= m_records.size(); }
    void MoveFirst() override { m_pos = 0; }
    void MoveNext() override;
    int Count() const override { return int(m_records.size()); }
    QVariant Value(const QString &field) const override;
    MapShape Shape() const override;
    int FeatureId() const override;
    bool HasField(const QString &field) const override;
    std::optional<MapStatistics> CalculateStatistics(const QString &field) const override;

private:
    std::shared_ptr<const ShapefileLayer> m_layer;
    std::vector<int> m_records;
    std::size_t m_pos = 0;
};
