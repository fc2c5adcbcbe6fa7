#pragma once

#include "contracts/mapshape.h"
#include "contracts/mapstatistics.h"

#include <QString>
#include <QVariant>

#include <optional>

// A record selection of a layer: the chosen records in their order, with a current record.
// It stays valid while the layer lives (it holds the layer) and reads the layer's table as it
// is now, so a reload of the table shows in an open selection.
class MapRecordset {
public:
    virtual ~MapRecordset();

    // End test: true when the current position is past the last record (at once when empty).
    virtual bool AtEnd() const = 0;
    virtual void MoveFirst() = 0;
    virtual void MoveNext() = 0;
    virtual int Count() const = 0;

    // Field value of the current record by field name (letter case ignored): a double for a
    // numeric field, a QString for a text field, an invalid QVariant for a NULL cell or an
    // unknown field. "shape" (any case) gives the record's MapShape, "Featureid" the
    // record's number in the layer (from 0) as an int.
    virtual QVariant Value(const QString &field) const = 0;
    // The current record's shape; a null shape at the end.
    virtual MapShape Shape() const = 0;
    // The current record's number in the layer, -1 at the end.
    virtual int FeatureId() const = 0;
    // True when the layer table has a field of that name (letter case ignored).
    virtual bool HasField(const QString &field) const = 0;

    // Max, Min, Sum, Mean and Count of a numeric field over the whole selection (NULL cells
    // left out); none for a text field or an unknown field. Does not move the position.
    virtual std::optional<MapStatistics> CalculateStatistics(const QString &field) const = 0;
};
