#include "app/view/viewsteps.h"

#include "app/files/optionfile.h"
#include "app/mapdefs/creadmapfile.h"
#include "app/view/cdrawsymbol.h"
#include "app/view/classbreaks.h"
#include "app/mapdefs/colournames.h"
#include "app/view/schemecolours.h"
#include "contracts/legendcontrol.h"
#include "contracts/mapcontrol.h"
#include "kitbag/kbutil.h"

#include <QAction>
#include <QListWidget>
#include <QTreeWidget>

#include <algorithm>
#include <cmath>

namespace viewsteps {

namespace {

// A renderer of no class at all: every region is drawn in the no-data colour.
std::shared_ptr<ClassBreaksRenderer> zeroClassRenderer(Build &build) {
    ViewState &state = *build.context.state;
    ViewValues &values = *build.context.values;
    return BuildClassBreaksRenderer(state.StartColor, state.EndColor, 0, build.field,
                                    {double(values.NullValue) + 1}, state.ClassColors, values);
}

// With a colour scheme, the classes that breaks make take its colours, kept as the class
// colours (not a ramp), so that an option file stores them one by one.
void useScheme(Build &build, const QList<double> &breaks) {
    ViewState &state = *build.context.state;
    ViewValues &values = *build.context.values;
    if (state.Scheme.isEmpty())
        return;
    const auto colours = SchemeClassColours(state.Scheme, breaks, *build.layer, build.field,
                                            values, state.Midpoint);
    if (colours) {
        state.ClassColors = colours;
        values.RampFlag = false;
    }
}

// Computes the classes of the shown column. The view state counts classes; the breaks
// between them are one fewer.
std::shared_ptr<ClassBreaksRenderer> computedRenderer(Build &build) {
    ViewState &state = *build.context.state;
    ViewValues &values = *build.context.values;
    int breakCount = std::max(state.NumClasses - 1, 0);
    const auto breaks = GetClasses(*build.layer, breakCount, build.field, state.ClassType, values,
                                   SchemeMaxClasses(state.Scheme));
    if (!breaks || breaks->isEmpty())
        return nullptr;
    state.NumClasses = breakCount + 1;
    useScheme(build, *breaks);
    return BuildClassBreaksRenderer(state.StartColor, state.EndColor, breakCount, build.field,
                                    *breaks, state.ClassColors, values);
}

// The classes stored in the option file; the classification is custom from then on. A class
// type or count asked for on the command line computes the classes anew instead (the count
// stored in the file unless one was asked for); a colour scheme recolours stored classes.
std::shared_ptr<ClassBreaksRenderer> storedRenderer(Build &build) {
    ViewState &state = *build.context.state;
    ViewValues &values = *build.context.values;
    const auto breaks = ReadClasses(build.optionFile, state, values, *build.context.colours);
    if (breaks && (state.AskedClassType || state.AskedNumClasses)) {
        state.ClassType = state.AskedClassType.value_or(kbQuantile);
        state.NumClasses = state.AskedNumClasses.value_or(state.NumClasses);
        values.LowerBound = values.UpperBound = 0.0;
        // The stored colours belong to the stored classes: without a scheme, the ramp.
        if (state.Scheme.isEmpty())
            values.RampFlag = true;
        return computedRenderer(build);
    }
    state.ClassType = kbCustom;
    build.classesUnreadable = !breaks;
    if (!breaks || breaks->isEmpty())
        return nullptr;
    // The stored class bounds are the range the legend shows.
    values.Minimum = values.LowerBound;
    values.Maximum = values.UpperBound;
    useScheme(build, *breaks);
    return BuildClassBreaksRenderer(state.StartColor, state.EndColor, int(breaks->size()),
                                    build.field, *breaks, state.ClassColors, values);
}

void readCircleSettings(Build &build, int &percent) {
    const QString file = build.optionFile;
    const QString section = QStringLiteral("CIRCLE");
    CKbUtil util;
    percent =
        OptionWholeNumber(std::floor(OptionNumber(util.ReadIniFile(file, section, QStringLiteral("Percent")))));
    const QString null = util.ReadIniFile(file, section, QStringLiteral("Null"));
    if (IsOptionNumber(null))
        build.context.values->NullValue = OptionWholeNumber(std::nearbyint(OptionNumber(null)));
    const QString colour = util.ReadIniFile(file, section, QStringLiteral("Color"));
    if (IsOptionNumber(colour))
        build.context.state->SymbolColor = MapColor(OptionWholeNumber(std::nearbyint(OptionNumber(colour))));
    else if (!colour.isEmpty())
        build.context.state->SymbolColor = MapColor(
            GetColor(*build.context.colours, colour, file, section, QStringLiteral("Color")));
}

} // namespace

std::shared_ptr<ClassBreaksRenderer> NoDataRenderer(const QString &field, double value,
                                                    MapColor noDataColour) {
    auto renderer = std::make_shared<ClassBreaksRenderer>();
    renderer->SetBreakCount(1);
    renderer->SetField(field);
    renderer->SetBreak(0, value);
    renderer->Symbol(0).Color = noDataColour;
    renderer->Symbol(1).Color = noDataColour;
    return renderer;
}

void CircleView(Build &build) {
    ViewContext &context = build.context;
    ViewState &state = *context.state;
    ViewValues &values = *context.values;
    const int previousPointer = context.map->MousePointer();
    ShowWaitPointer(context.map);
    // The classes kept belong to the column they were made for: another column gets its own,
    // as a fresh map of it would, unless the user typed limits for it in the dialog.
    if (values.CurrentRenderer && values.RendererColumn != 0 &&
        values.RendererColumn != build.statColumn) {
        values.CurrentRenderer = values.HandSetRenderers.value(build.statColumn);
        if (values.CurrentRenderer) {
            state.ClassType = kbCustom;
        } else if (state.ClassType == kbCustom) {
            state.ClassType = state.AskedClassType.value_or(kbQuantile);
            state.NumClasses = state.AskedNumClasses.value_or(state.NumClasses);
        }
    }
    if (!values.CurrentRenderer) {
        values.CurrentRenderer = computedRenderer(build);
        if (!values.CurrentRenderer)
            values.CurrentRenderer = zeroClassRenderer(build);
    }
    values.RendererColumn = build.statColumn;
    int percent = build.circlePercent;
    if (!build.optionFile.isEmpty())
        readCircleSettings(build, percent);
    build.layer->SetRenderer(nullptr);
    build.layer->Symbol().Color = state.SymbolColor;
    build.layer->Symbol().Style = TransparentFill;
    state.CircleMap =
        PrepareSymbols(values, percent, build.mapNumber, *context.map, *context.mapReader);
    RestoreNormalPointer(context.map);
    context.map->SetMousePointer(previousPointer);
}

void ChoroplethView(Build &build) {
    ViewState &state = *build.context.state;
    ViewValues &values = *build.context.values;
    const auto fallback = NoDataRenderer(build.field, values.NullValue, values.NoDataColor);
    // Custom classes belong to the renderer they were made on; without one (a newly opened
    // file) the classes are computed again.
    if (state.ClassType == kbCustom && !build.previousRenderer && build.optionFile.isEmpty())
        state.ClassType = kbQuantile;
    if (state.ClassType != kbCustom) {
        auto renderer =
            build.optionFile.isEmpty() ? computedRenderer(build) : storedRenderer(build);
        if (!renderer)
            renderer = zeroClassRenderer(build);
        build.layer->SetRenderer(renderer);
        return;
    }
    const auto records =
        build.layer->SearchExpression(DataExpression(build.field, values.NullValue));
    if (!records || records->Count() == 0) {
        build.layer->SetRenderer(fallback);
        state.SavedRenderer = build.previousRenderer;
    } else {
        build.layer->SetRenderer(build.previousRenderer);
        state.SavedRenderer.reset();
    }
}

std::unique_ptr<MapRecordset> RegionsWithData(Build &build) {
    ViewContext &context = build.context;
    ViewValues &values = *context.values;
    auto records = build.layer->SearchExpression(DataExpression(build.field, values.NullValue));
    const bool empty = !records || records->Count() == 0;
    for (QAction *command : std::as_const(context.themeCommands))
        if (command)
            command->setEnabled(!empty);
    if (empty && context.state->CircleMap)
        records = build.layer->SearchExpression(QStringLiteral("Featureid > -1"));
    values.Statistics =
        records ? records->CalculateStatistics(build.field) : std::optional<MapStatistics>();
    return records;
}

void Outlines(Build &build) {
    ApplyOutline(build.layer->Renderer().get(), build.context.mapReader);
    ApplyOutline(build.context.values->CurrentRenderer.get(), build.context.mapReader);
}

void FillLegend(Build &build) {
    ViewContext &context = build.context;
    const ViewState &state = *context.state;
    const ViewValues &values = *context.values;
    LegendControl &legend = *context.legend;
    const MapStatistics statistics = values.Statistics.value_or(MapStatistics());
    const int thematic = values.ThematicLayer;
    legend.setStatistics(statistics);
    legend.setMaximum(std::max(statistics.Max, values.Maximum));
    legend.setMinimum(std::min(statistics.Min, values.Minimum));
    legend.setFieldName(build.field);
    legend.setMapSource(context.map);
    legend.LoadLegend();
    for (int i = 0; i < context.map->LayerCount(); ++i)
        legend.setLayerCircles(i, i == thematic && state.CircleMap);
    legend.setLayerTitle(thematic, ColumnCaption(context, build.statColumn));
    // The second layer, loaded after the regions, lies on top of them (index 0); without a
    // caption of its own the legend names it by its file.
    if (thematic > 0)
        legend.setLayerTitle(0, context.mapReader->GetSecondLayerCaption(build.mapNumber));
    legend.setNumberFormat(values.NumberFormat);
    legend.setNoDataText(values.NoDataText);
    legend.setShowNoData(values.ShowNoData);
    legend.setLargestSymbolText(values.LargestSymbolText);
    legend.setSmallestSymbolText(values.SmallestSymbolText);
    if (state.CircleMap && values.SymbolDrawer)
        SetCircleLegend(legend, *values.SymbolDrawer, state.SymbolColor);
    legend.setLayerShown(thematic, true);
    legend.setNoDecimalFormat(QStringLiteral("##,##0"));
    legend.setNumDecimals(values.Decimals);
    legend.setShowFieldName(false);
    legend.setShowCounts(false);
    legend.setShowFrame(false);
    legend.setLayerExpanded(thematic, true);
    legend.Refresh();
}

void SetCircleLegend(LegendControl &legend, const CDrawSymbol &drawer, MapColor colour) {
    legend.setCircleSymbols(drawer.LargestDiameter(), drawer.SmallestDiameter(), colour);
    // The smallest symbol names the smallest value drawn: values below 0 get no circle.
    if (const auto smallest = drawer.SmallestValue())
        legend.setMinimum(*smallest);
}

void SelectListRows(ViewContext &context, int mapNumber, int statColumn) {
    context.state->UpdatingLists = true;
    if (context.lstStatdata && statColumn >= 1 && statColumn <= context.lstStatdata->count())
        context.lstStatdata->setCurrentRow(statColumn - 1);
    if (context.lsvKartdata && mapNumber >= 1 &&
        mapNumber <= context.lsvKartdata->topLevelItemCount())
        context.lsvKartdata->setCurrentItem(context.lsvKartdata->topLevelItem(mapNumber - 1));
    context.state->UpdatingLists = false;
}

QString ColumnCaption(const ViewContext &context, int statColumn) {
    if (context.lstStatdata && statColumn >= 1 && statColumn <= context.lstStatdata->count())
        return context.lstStatdata->item(statColumn - 1)->text();
    const QStringList &names = context.state->StatFieldNames;
    return statColumn >= 1 && statColumn <= names.size() ? names.at(statColumn - 1) : QString();
}

} // namespace viewsteps
