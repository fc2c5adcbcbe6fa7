#include "app/view/buildview.h"

#include "app/runtime/showmessage.h"
#include "app/runtime/messagetable.h"
#include "app/mapdefs/creadmapfile.h"
#include "app/mapdefs/fieldcheck.h"
#include "app/runtime/phasetimer.h"
#include "app/view/cdrawsymbol.h"
#include "app/view/joinstatus.h"
#include "app/view/maplabelling.h"
#include "app/view/viewsteps.h"
#include "contracts/mapcontrol.h"
#include "joinery/addrelate.h"
#include "kitbag/kbpath.h"
#include "kitbag/kbutil.h"
#include "zoomkeeper/scalehandler.h"

#include <QAction>
#include <QCursor>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>

namespace {

// The status bar names the projection the map is drawn in (nothing for a map drawn in its
// layers' own coordinates).
void showProjection(const ViewContext &context, int mapNumber)
{
    if (!context.projectionPanel)
        return;
    const QString name = context.mapReader->ProjectionName(mapNumber);
    context.projectionPanel->setText(name.isEmpty() ? QString()
                                                    : QStringLiteral("Projection: ") + name);
    context.projectionPanel->setToolTip(context.mapReader->ProjectionDefinition(mapNumber));
}

const QString CRLF = QStringLiteral("\r\n");
// The table provider's native error for a table that another process holds.
constexpr std::int32_t MapDataInUse = -534250774; // hexadecimal E027FAEA

// The pointer of the map tool now selected, or the normal pointer when none is.
int toolPointer(const ViewContext &context) {
    for (const auto &[action, pointer] : context.tools)
        if (action && action->isChecked())
            return pointer;
    return DefaultPointer;
}

void reportJoinFailure(ViewContext &context) {
    const AddRelate &joiner = *context.joiner;
    if (joiner.NativErrorNum() == MapDataInUse) {
        ShowMessage(QStringLiteral("Chorel"), 64, MessageText(QStringLiteral("InUse")));
    } else {
        QString check = MessageText(QStringLiteral("CheckINI"));
        check.replace(QStringLiteral("<INI>"), context.mapReader->IniFile);
        check.replace(QStringLiteral("<SHAPE>"), joiner.SourceTable());
        // A mistyped KeyField is the usual cause: name it, with the fields the table has.
        const QString missing = MissingFieldText(
            context.mapReader->GetKeyField(context.state->CurrentMap),
            QDir(joiner.DBPath()).filePath(joiner.SourceTable() + QStringLiteral(".dbf")));
        ShowMessage(QStringLiteral("Chorel (BuildView Join)"), 16,
                    MessageText(QStringLiteral("ConnectDB")) + CRLF + check
                        + (missing.isEmpty() ? QString() : CRLF + missing));
    }
    context.map->SetMousePointer(toolPointer(context));
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
}

// Remembers the colours of the renderer in use so that the rebuilt renderer keeps them, and
// returns the renderer the custom classification puts back (steps 2 and 3).
std::shared_ptr<ClassBreaksRenderer> keepOldRenderer(ViewContext &context) {
    ViewState &state = *context.state;
    ViewValues &values = *context.values;
    MapControl &map = *context.map;
    std::shared_ptr<ClassBreaksRenderer> inUse = state.SavedRenderer;
    if (!inUse && map.LayerCount() > 0)
        inUse = map.Layer(map.LayerCount() - 1)->Renderer();
    if (!values.RampFlag && !state.ClassColors && inUse) {
        values.NoDataColor = inUse->Symbol(0).Color;
        QList<MapColor> colours;
        for (int i = 1; i <= inUse->BreakCount(); ++i)
            colours.append(inUse->Symbol(i).Color);
        state.ClassColors = colours;
    }
    state.SavedRenderer.reset();
    return map.LayerCount() > 0 ? inUse : nullptr;
}

int takeCirclePercent(ViewContext &context) {
    ViewValues &values = *context.values;
    const int percent = values.SymbolDrawer ? values.SymbolDrawer->CirclePercent : 10;
    values.SymbolDrawer.reset();
    return percent;
}

void checkColumn(const ViewState &state, int &statColumn) {
    if (statColumn >= 1 && statColumn <= state.StatFieldNames.size())
        return;
    ShowMessage(QStringLiteral("Chorel"), 64, MessageText(QStringLiteral("WrongNumber")));
    statColumn = 1;
}

// Undoes the old join and joins column into the layer table of the map (steps 6 to 8); with
// rejoinInPlace, a column for the field already joined replaces the old one directly. False
// when the join failed (after the report).
bool joinColumn(ViewContext &context, const QString &statTable, const QString &statKey,
                int mapNumber, const QString &column) {
    AddRelate &joiner = *context.joiner;
    CReadMapFile &reader = *context.mapReader;
    const auto &maps = reader.MapList();
    const bool known = maps && mapNumber >= 1 && mapNumber <= maps->size();
    if (known && context.rejoinInPlace
        && joiner.JoinedOn(maps->at(mapNumber - 1).sTableName(), statTable,
                           reader.GetKeyField(mapNumber), reader.GetStatField())) {
        if (!joiner.JoinAgain(statKey, column)) {
            reportJoinFailure(context);
            return false;
        }
        context.values->NullValue = joiner.GetNullValue();
        return true;
    }
    if (joiner.Joined() && !joiner.UnJoin())
        reportJoinFailure(context);
    if (!known)
        throw RunTimeError(9, QStringLiteral("Subscript out of range: no map %1").arg(mapNumber),
                           QStringLiteral("Chorel"));
    // The message of an earlier failed join must not count as this one's: each join of
    // --each is what a run of its statistic alone does.
    joiner.setErrorMsg(QString());
    joiner.setSourceTable(maps->at(mapNumber - 1).sTableName());
    joiner.setExternalTable(statTable);
    if (!joiner.ErrorMsg().isEmpty())
        return true; // no connection: the view is built without data
    if (joiner.Join(reader.GetKeyField(mapNumber), STRINGFLD, reader.GetStatField(), NUMERICFLD,
                    statKey, column)) {
        context.values->NullValue = joiner.GetNullValue();
        return true;
    }
    reportJoinFailure(context);
    return false;
}

// Reads the map type of the option file; false after the message for an unknown type.
bool readMapType(ViewContext &context, const QString &optionFile) {
    if (optionFile.isEmpty())
        return true;
    const QString type =
        CKbUtil().ReadIniFile(optionFile, QStringLiteral("SYMBOLIC"), QStringLiteral("Type"));
    if (type.compare(QStringLiteral("CIRCLE"), Qt::CaseInsensitive) == 0) {
        context.state->CircleMap = true;
    } else if (type.compare(QStringLiteral("CHOROPLET"), Qt::CaseInsensitive) == 0) {
        context.state->CircleMap = false;
    } else {
        ShowMessage(QStringLiteral("Chorel (BuildView)"), 64,
                    MessageText(QStringLiteral("WrongTQO")) + u' ' + type);
        return false;
    }
    // Labels= (files of older versions have none: the map definition decides).
    const std::optional<LabelMode> labels = LabelModeNamed(
        CKbUtil().ReadIniFile(optionFile, QStringLiteral("SYMBOLIC"), QStringLiteral("Labels")));
    if (labels && !context.state->LabelsAsked)
        context.state->Labels = labels;
    return true;
}

bool buildSteps(ViewContext &context, const QString &statTable, const QString &statKey,
                int mapNumber, int &statColumn, const std::optional<MapRectangle> &extent) {
    ViewState &state = *context.state;
    ViewValues &values = *context.values;
    MapControl &map = *context.map;
    viewsteps::Build build(context);
    build.previousRenderer = keepOldRenderer(context);
    build.circlePercent = takeCirclePercent(context);
    checkColumn(state, statColumn);
    values.Decimals =
        statColumn <= state.StatDecimals.size() ? state.StatDecimals.at(statColumn - 1) : 0;
    values.NumberFormat = MakeNumberFormat(values.Decimals);
    const QString column = state.StatFieldNames.at(statColumn - 1);

    std::optional<MapRectangle> keptExtent;
    if (map.LayerCount() > 0 && mapNumber == state.CurrentMap)
        keptExtent = map.Extent();
    if (extent)
        keptExtent = extent;
    state.CurrentMap = mapNumber;
    map.ClearLayers();
    values.ThematicLayer = -1;

    // A batch run ends on a failed join: its picture would show no data at all.
    if (!joinColumn(context, statTable, statKey, mapNumber, column) && BatchMessages())
        return false;
    PhaseTimer::Mark("join");
    context.mapReader->AddMap(mapNumber);
    PhaseTimer::Mark("layers");
    showProjection(context, mapNumber);
    if (map.LayerCount() == 0)
        return false;
    values.ThematicLayer = map.LayerCount() - 1;
    RestoreNormalPointer(&map);
    map.SetMousePointer(toolPointer(context));

    build.mapNumber = mapNumber;
    build.statColumn = statColumn;
    build.field = context.mapReader->GetStatField();
    build.optionFile = context.mapReader->OptionFile;
    build.layer = map.Layer(values.ThematicLayer);
    if (!readMapType(context, build.optionFile))
        return false;
    if (state.CircleMap)
        viewsteps::CircleView(build);
    if (!state.CircleMap)
        viewsteps::ChoroplethView(build);
    // As for a failed join: a batch picture all in the no-data colour is no result.
    if (build.classesUnreadable && BatchMessages())
        return false;

    const auto records = viewsteps::RegionsWithData(build);
    if (!extent && values.Statistics && values.Statistics->Count >= 1 && context.navigator)
        context.navigator->ZoomToSelected(records.get());
    if (keptExtent)
        map.SetExtent(*keptExtent);
    viewsteps::Outlines(build);
    viewsteps::FillLegend(build);
    context.joiner->setErrorMsg(QString());
    state.CurrentColumn = statColumn;
    viewsteps::SelectListRows(context, mapNumber, statColumn);
    ApplyLabels(context);
    map.Refresh();
    if (context.joinStatus && !BatchMessages()) {
        const QString table = kbpath::findNoCase(
            QDir(context.mapReader->GetPathDir()).filePath(statTable + QStringLiteral(".dbf")));
        context.joinStatus->setSummary(SummariseJoin(*build.layer,
                                                     context.mapReader->GetKeyField(mapNumber),
                                                     build.field, values.NullValue, table, statKey));
    }
    return true;
}


} // namespace

bool BuildView(ViewContext &context, const QString &statTable, const QString &statKey,
               int mapNumber, int &statColumn, const std::optional<MapRectangle> &extent) {
    Q_ASSERT(context.map && context.legend && context.joiner && context.mapReader &&
             context.state && context.values);
    bool built = false;
    try {
        built = buildSteps(context, statTable, statKey, mapNumber, statColumn, extent);
    } catch (const RunTimeError &error) {
        RestoreNormalPointer(context.map);
        ShowMessage(QStringLiteral("Chorel (BuildView)"), 16, error);
    } catch (const std::exception &error) {
        RestoreNormalPointer(context.map);
        ShowMessage(QStringLiteral("Chorel (BuildView)"), 16,
                    RunTimeError(5, QString::fromUtf8(error.what()), QStringLiteral("Chorel")));
    }
    context.state->UpdatingLists = false;
    return built;
}

void ShowWaitPointer(MapControl *map) {
    if (map)
        map->SetMousePointer(WaitPointer);
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

void RestoreNormalPointer(MapControl *map) {
    if (map && map->MousePointer() == WaitPointer)
        map->SetMousePointer(DefaultPointer);
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
}
