#pragma once

#include "contracts/mapclassbreaksrenderer.h"
#include "contracts/maprecordset.h"
#include "contracts/mapsymbol.h"

#include <QString>
#include <QStringList>

#include <memory>

// Kinds of fields of a layer table.
enum class MapFieldKind { Numeric, Text };

// A map layer: shapes with an attribute table, the layer's own symbol and an optional
// class-breaks renderer. Layers are shared (std::shared_ptr): the same layer may be shown by
// two map controls at once, and record selections keep their layer alive.
class MapLayer {
public:
    virtual ~MapLayer();

    virtual QString Name() const = 0;
    // The shapefile the layer was read from (path of the .shp).
    virtual QString FileName() const = 0;
    // Kind of the layer's shapes: PointShape, LineShape, PolygonShape or MultiPointShape.
    virtual int ShapeType() const = 0;
    virtual MapRectangle Extent() const = 0;
    virtual int RecordCount() const = 0;

    virtual bool Visible() const = 0;
    virtual void SetVisible(bool visible) = 0;

    // The layer's own symbol, used when it has no renderer. Changes show at the next redraw.
    virtual MapSymbol &Symbol() = 0;
    virtual const MapSymbol &Symbol() const = 0;

    // The class-breaks renderer (none: the layer is drawn with its own symbol).
    virtual std::shared_ptr<ClassBreaksRenderer> Renderer() const = 0;
    virtual void SetRenderer(std::shared_ptr<ClassBreaksRenderer> renderer) = 0;

    // The attribute table: field names in file order, their kinds, and values by record
    // (from 0) as in MapRecordset::Value.
    virtual QStringList FieldNames() const = 0;
    virtual std::optional<MapFieldKind> FieldKind(const QString &field) const = 0;
    virtual QVariant FieldValue(int record, const QString &field) const = 0;
    virtual MapShape RecordShape(int record) const = 0;

    // Record selection by a search expression:
    //   "FIELD > VALUE" with an optional " order by FIELD" and an optional " desc" after it,
    //   the comparison operators >, >=, <, <=, =, <> and the field "Featureid".
    // Records with a NULL cell never match a comparison. Returns none (and sets
    // LastError()) when the expression cannot be read or names an unknown field.
    virtual std::unique_ptr<MapRecordset> SearchExpression(const QString &expression) = 0;
    // The records whose shapes lie within distance (map units) of the point, nearest first.
    virtual std::unique_ptr<MapRecordset> SearchByDistance(const MapPoint &point,
                                                           double distance) = 0;

    // Reads the attribute table again from disk (after another part of the program changed
    // the .dbf); the shapes stay. False, with LastError(), when the table cannot be read or
    // no longer has one row per shape; the old table is then kept.
    virtual bool ReloadTable() = 0;
    virtual QString LastError() const = 0;
};
