#include "platform/mapcontrol/layerrecordset.h"

#include "platform/mapcontrol/shapefilelayer.h"

#include <algorithm>
#include <cmath>

LayerRecordset::LayerRecordset(std::shared_ptr<const ShapefileLayer> layer,
                               std::vector<int> records)
    : m_layer(std::move(layer)), m_records(std::move(records))
{
}

void LayerRecordset::MoveNext()
{
    if (m_pos < m_records.size())
        ++m_pos;
}

QVariant LayerRecordset::Value(const QString &field) const
{
    if (AtEnd())
        return {};
    return m_layer->FieldValue(m_records[m_pos], field);
}

MapShape LayerRecordset::Shape() const
{
    return AtEnd() ? MapShape() : m_layer->RecordShape(m_records[m_pos]);
}

int LayerRecordset::FeatureId() const
{
    return AtEnd() ? -1 : m_records[m_pos];
}

bool LayerRecordset::HasField(const QString &field) const
{
    return m_layer->table().fieldIndex(field) >= 0;
}

std::optional<MapStatistics> LayerRecordset::CalculateStatistics(const QString &field) const
{
    const LayerTable &table = m_layer->table();
    const int f = table.fieldIndex(field);
    if (f < 0 || table.fieldKind(f) != MapFieldKind::Numeric)
        return std::nullopt;
    MapStatistics s;
    for (int r : m_records) {
        const double v = table.number(r, f);
        if (std::isnan(v))
            continue;
        s.Max = s.Count == 0 ? v : std::max(s.Max, v);
        s.Min = s.Count == 0 ? v : std::min(s.Min, v);
        s.Sum += v;
        ++s.Count;
    }
    if (s.Count > 0)
        s.Mean = s.Sum / double(s.Count);
    return s;
}
