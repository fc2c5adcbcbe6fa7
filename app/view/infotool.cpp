#include "app/view/infotool.h"

#include "app/runtime/showmessage.h"
#include "app/runtime/messagetable.h"
#include "app/mapdefs/creadmapfile.h"
#include "app/view/buildview.h"
#include "contracts/mapcontrol.h"
#include "contracts/maplayer.h"
#include "platform/legend/legendsettings.h"

#include <QLabel>

namespace {

const QString CRLF = QStringLiteral("\r\n");
constexpr int FlashCount = 3;

// A field the layer table lacks: the map definition and the table disagree.
void reportMissingField(const ViewContext &context, const MapLayer &layer, const QString &field)
{
    QString text = MessageText(QStringLiteral("CantShowField"));
    text.replace(QStringLiteral("<FIELD>"), field);
    QString check = MessageText(QStringLiteral("CheckINI"));
    check.replace(QStringLiteral("<INI>"), context.mapReader ? context.mapReader->IniFile : QString());
    check.replace(QStringLiteral("<SHAPE>"), layer.FileName());
    ShowMessage(QStringLiteral("Chorel (Info)"), 16, text + CRLF + check);
}

// A value of the layer table as text: numbers without a fixed number of decimals, a NULL
// cell as nothing.
QString plainValue(const QVariant &value)
{
    if (!value.isValid())
        return QString();
    if (value.typeId() == QMetaType::Double)
        return QString::number(value.toDouble(), 'g', 15);
    return value.toString();
}

// The statistics value in the number format of the view; a region without data (the null
// value, or nothing) shows the "No data" text rather than the null value.
QString statisticsValue(const QVariant &value, const ViewValues &values)
{
    if (!value.isValid() || value.toDouble() <= values.NullValue)
        return values.NoDataText;
    return formatLegendNumber(value.toDouble(), values.NumberFormat);
}

void showInfo(ViewContext &context, const QString &text)
{
    if (context.infoPanel) {
        context.infoPanel->setText(text);
        // The whole text also where a narrow window cuts the panel.
        context.infoPanel->setToolTip(text);
        context.infoPanel->updateGeometry();
    }
}

} // namespace

std::unique_ptr<MapRecordset> InfoRegion(MapLayer &layer, const MapPoint &point, double distance)
{
    std::unique_ptr<MapRecordset> found = layer.SearchByDistance(point, distance);
    if (!found || found->Count() == 0)
        return nullptr;
    // The selection comes nearest first; the first region holding the point comes before it.
    for (found->MoveFirst(); !found->AtEnd(); found->MoveNext()) {
        if (found->Shape().Contains(point))
            return found;
    }
    found->MoveFirst();
    return found;
}

double InfoDistance(const MapControl &map)
{
    const int pixels = map.ControlSize().width();
    const double width = map.Extent().Width();
    if (pixels <= 0 || !(width > 0.0))
        return 0.0;
    return InfoPixels * width / double(pixels);
}

QString InfoField(const QString &caption, const QString &value)
{
    return caption + QStringLiteral(" : ") + value;
}

void Info(ViewContext &context, const MapPoint &point)
{
    if (!context.map || !context.values || !context.mapReader || !context.state)
        return;
    const int thematic = context.values->ThematicLayer;
    if (thematic < 0 || thematic >= context.map->LayerCount())
        return;
    const std::shared_ptr<MapLayer> layer = context.map->Layer(thematic);
    const std::unique_ptr<MapRecordset> region =
        InfoRegion(*layer, point, InfoDistance(*context.map));
    if (!region) {
        showInfo(context, QString());
        return;
    }
    const QString statField = context.mapReader->GetStatField();
    QStringList parts;
    for (const CFields &field : context.mapReader->GetFields(context.state->CurrentMap)) {
        if (!region->HasField(field.sPhysical)) {
            reportMissingField(context, *layer, field.sPhysical);
            return;
        }
        const QVariant value = region->Value(field.sPhysical);
        parts << InfoField(field.sShow, field.sPhysical.compare(statField, Qt::CaseInsensitive) == 0
                                            ? statisticsValue(value, *context.values)
                                            : plainValue(value));
    }
    showInfo(context, parts.join(QStringLiteral("   ")));
    context.map->FlashShape(region->Shape(), FlashCount);
}
