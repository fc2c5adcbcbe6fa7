#include "app/view/maplabelling.h"

#include "app/runtime/showmessage.h"
#include "app/mapdefs/creadmapfile.h"
#include "app/view/buildview.h"
#include "contracts/mapcontrol.h"
#include "platform/legend/legendsettings.h"

#include <QAction>
#include <QStringList>

#include <cmath>

namespace {

// Regions named on stderr when their labels found no room.
constexpr int kLeftOutNamed = 5;

std::shared_ptr<MapLayer> thematicLayer(const ViewContext &context)
{
    const int thematic = context.values ? context.values->ThematicLayer : -1;
    if (!context.map || thematic < 0 || thematic >= context.map->LayerCount())
        return nullptr;
    return context.map->Layer(thematic);
}

// The label field's text of a record, trimmed.
QString nameOf(const MapLayer &layer, const QString &field, int record)
{
    return layer.FieldValue(record, field).toString().trimmed();
}

} // namespace

LabelMode ShownLabels(ViewContext &context)
{
    if (context.state && context.state->Labels)
        return *context.state->Labels;
    bool given = false;
    if (context.mapReader && context.state && context.state->CurrentMap > 0)
        context.mapReader->GetLabelField(context.state->CurrentMap, &given);
    return given ? LabelMode::Name : LabelMode::None;
}

void ApplyLabels(ViewContext &context)
{
    if (!context.map)
        return;
    MapLabels labels;
    const std::shared_ptr<MapLayer> layer = thematicLayer(context);
    const LabelMode mode = ShownLabels(context);
    const int mapNumber = context.state ? context.state->CurrentMap : 0;
    if (context.labelsCommand)
        context.labelsCommand->setChecked(mode != LabelMode::None);
    if (context.state && mode != LabelMode::None)
        context.state->LastLabels = mode;
    if (context.mapReader && mapNumber > 0) {
        const std::optional<bool> asked = context.state->OutlineAuto;
        context.map->SetOutlineAuto(asked.value_or(context.mapReader->GetOutlineAuto(mapNumber)));
    }
    if (!layer || mode == LabelMode::None || !context.mapReader || mapNumber <= 0) {
        context.map->SetLabels(labels);
        return;
    }
    CReadMapFile &reader = *context.mapReader;
    const QString nameField = reader.GetLabelField(mapNumber);
    const bool names = mode == LabelMode::Name || mode == LabelMode::Both;
    if (names && !layer->FieldKind(nameField)) {
        ShowMessage(QStringLiteral("Chorel (Labels)"), 48,
                    QStringLiteral("The label field \"%1\" is not a field of the map %2; the "
                                   "regions are not labelled.")
                        .arg(nameField, reader.IniFile));
        context.map->SetLabels(labels);
        return;
    }
    const ViewValues &values = *context.values;
    const QString statField = reader.GetStatField();
    const bool showValues = mode == LabelMode::Value || mode == LabelMode::Both;
    const int count = layer->RecordCount();
    labels.texts.reserve(count);
    if (mode == LabelMode::Value)
        labels.rank.reserve(std::size_t(count));
    for (int r = 0; r < count; ++r) {
        QString value;
        double number = std::nan("");
        if (showValues) {
            bool ok = false;
            const QVariant cell = layer->FieldValue(r, statField);
            number = cell.toDouble(&ok);
            if (!cell.isValid() || !ok || number <= values.NullValue)
                number = std::nan("");
            else
                value = formatLegendNumber(number, values.NumberFormat);
        }
        QString text = names ? nameOf(*layer, nameField, r) : value;
        if (mode == LabelMode::Both && !value.isEmpty())
            text += text.isEmpty() ? value : u'\n' + value;
        labels.texts.append(text);
        if (mode == LabelMode::Value)
            labels.rank.push_back(number);
    }
    labels.layer = layer;
    const QString font = reader.GetLabelFont(mapNumber);
    if (!font.isEmpty())
        labels.fontFamily = font;
    if (const double size = reader.GetLabelSize(mapNumber); size > 0.0)
        labels.pointSize = size;
    context.map->SetLabels(labels);
}

QString LabelReport(ViewContext &context)
{
    const std::shared_ptr<MapLayer> layer = thematicLayer(context);
    if (!layer || !context.map || ShownLabels(context) == LabelMode::None)
        return QString();
    const LabelPlacement placement = context.map->LastLabelPlacement();
    QString text = QStringLiteral("%1 labels placed").arg(placement.placed.size());
    if (placement.leftOut.empty())
        return text;
    const QString field = context.mapReader->GetLabelField(context.state->CurrentMap);
    QStringList named;
    for (int record : placement.leftOut) {
        if (named.size() == kLeftOutNamed)
            break;
        const QString name = layer->FieldKind(field) ? nameOf(*layer, field, record) : QString();
        named << (name.isEmpty() ? QStringLiteral("#%1").arg(record + 1) : name);
    }
    text += QStringLiteral("; %1 left out: %2").arg(placement.leftOut.size()).arg(named.join(QStringLiteral(", ")));
    if (int(placement.leftOut.size()) > kLeftOutNamed)
        text += QStringLiteral(", ...");
    return text;
}
