#include "app/view/frmclassification.h"

#include "app/view/frmchart.h"
#include "app/runtime/showmessage.h"
#include "app/mapdefs/creadmapfile.h"
#include "app/view/cdrawsymbol.h"
#include "app/view/classbreaks.h"
#include "app/view/maplabelling.h"
#include "app/view/viewsteps.h"
#include "bandwise/classification.h"
#include "contracts/legendcontrol.h"
#include "contracts/mapcontrol.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTabWidget>

#include <algorithm>
#include <cmath>

void frmClassification::restoreLayer() {
    if (m_restored || !m_layer)
        return;
    m_layer->SetRenderer(OpenedOnCircles ? nullptr : m_context.values->CurrentRenderer);
    m_restored = true;
}

void frmClassification::cmdCancel_Click() { reject(); }

void frmClassification::reject() {
    restoreLayer();
    QDialog::reject();
}

void frmClassification::cmdColor_Click() {
    const std::optional<QColor> chosen = m_chooseColor(CircleColor());
    if (!chosen)
        return;
    setCircleColor(*chosen);
}

void frmClassification::cmdChart_Click() {
    const ViewState &state = *m_context.state;
    const ViewValues &values = *m_context.values;
    CChart request;
    request.Table = values.StatTable;
    request.DBDir = m_workFolder;
    request.RegionField = values.StatKey;
    request.StatField = state.CurrentColumn >= 1 && state.CurrentColumn <= state.StatFieldNames.size()
                            ? state.StatFieldNames.at(state.CurrentColumn - 1)
                            : QString();
    request.Title = viewsteps::ColumnCaption(m_context, state.CurrentColumn);
    frmChart chart(request, m_workFolder, values.NullValue, values.NumberFormat, this);
    chart.setWindowIcon(windowIcon());
    if (chart.Load())
        chart.exec();
}

void frmClassification::cmdOK_Click() {
    // A midpoint typed but not yet committed counts.
    txtMidpoint_Commit();
    ShowWaitPointer(nullptr);
    try {
        ViewState &state = *m_context.state;
        ViewValues &values = *m_context.values;
        const bool showNoData = clfClass->ShowNoData() == 1;
        const bool showNoDataChanged = showNoData != values.ShowNoData;
        if (clfClass->CurrentClassType() >= 0)
            state.ClassType = clfClass->CurrentClassType();
        state.StartColor = clfClass->StartColor();
        state.EndColor = clfClass->EndColor();
        values.Maximum = clfClass->MaxValue();
        values.Minimum = clfClass->MinValue();
        // The bounds the classes run between are what Save as writes.
        values.UpperBound = values.Maximum;
        values.LowerBound = values.Minimum;
        values.ShowNoData = showNoData;
        if (stbSymbolic->currentIndex() == 0)
            applyChoropleth();
        else
            applyCircles();
        // The labels are a choice of their own only when changed here: an unchanged dialog
        // leaves the map and its option file as they were.
        const LabelMode labels =
            LabelMode(std::clamp(cmbLabels->currentIndex(), 0, int(LabelMode::Both)));
        if (labels != ShownLabels(m_context))
            state.Labels = labels;
        ApplyLabels(m_context);
        m_restored = true;
        RestoreNormalPointer(nullptr);
        accept();
        if (QWidget *main = parentWidget())
            main->window()->repaint();
        m_context.map->Refresh();
        updateMainLegend(showNoDataChanged);
    } catch (const RunTimeError &error) {
        RestoreNormalPointer(nullptr);
        ShowMessage(QStringLiteral("Chorel (frmClassification - cmdOK_Click)"), 16, error);
    } catch (const std::exception &error) {
        RestoreNormalPointer(nullptr);
        ShowMessage(QStringLiteral("Chorel (frmClassification - cmdOK_Click)"), 16,
                    RunTimeError(5, QString::fromUtf8(error.what()), QStringLiteral("Chorel")));
    }
}

void frmClassification::applyChoropleth() {
    ViewState &state = *m_context.state;
    ViewValues &values = *m_context.values;
    const std::shared_ptr<ClassBreaksRenderer> renderer = clfClass->Renderer();
    if (!renderer)
        throw RunTimeError(91, QStringLiteral("Object variable not set: no class renderer"),
                           QStringLiteral("Chorel"));
    ApplyOutline(renderer.get(), m_context.mapReader);
    m_layer->SetRenderer(renderer);
    values.CurrentRenderer = renderer;
    values.RendererColumn = state.CurrentColumn;
    if (state.ClassType == kbCustom)
        values.HandSetRenderers.insert(state.CurrentColumn, renderer);
    else
        values.HandSetRenderers.remove(state.CurrentColumn);
    // The number of value classes is the renderer's break count.
    state.NumClasses = renderer->BreakCount();
    QList<MapColor> colours;
    for (int i = 1; i <= renderer->BreakCount(); ++i)
        colours.append(renderer->Symbol(i).Color);
    state.ClassColors = colours;
    // A scheme's colours are the classes' own (an option file stores them one by one); the
    // scheme and its midpoint also colour the classes of later views.
    state.Scheme = clfClass->Scheme();
    state.Midpoint = clfClass->Midpoint();
    values.RampFlag = state.Scheme.isEmpty() && clfClass->RampColors();
    values.NoDataColor = renderer->Symbol(0).Color;
    values.SymbolDrawer.reset();
    state.CircleMap = false;
}

void frmClassification::applyCircles() {
    ViewState &state = *m_context.state;
    ViewValues &values = *m_context.values;
    m_layer->SetRenderer(nullptr);
    m_layer->Symbol().Color = fromQColor(CircleColor());
    m_layer->Symbol().Style = TransparentFill;
    const int percent = int(std::floor(txtPercent->text().toDouble()));
    state.SymbolColor = fromQColor(CircleColor());
    state.CircleMap = PrepareSymbols(values, percent, state.CurrentMap, *m_context.map,
                                     *m_context.mapReader);
}

void frmClassification::updateMainLegend(bool showNoDataChanged) {
    const ViewState &state = *m_context.state;
    const ViewValues &values = *m_context.values;
    LegendControl &legend = *m_context.legend;
    const MapStatistics statistics = values.Statistics.value_or(MapStatistics());
    legend.LoadLegend();
    legend.setMaximum(std::max(statistics.Max, values.Maximum));
    legend.setMinimum(std::min(statistics.Min, values.Minimum));
    for (int i = 0; i < m_context.map->LayerCount(); ++i)
        legend.setLayerCircles(i, i == values.ThematicLayer && state.CircleMap);
    if (state.CircleMap && values.SymbolDrawer)
        viewsteps::SetCircleLegend(legend, *values.SymbolDrawer, state.SymbolColor);
    if (showNoDataChanged)
        legend.setShowNoData(values.ShowNoData);
    legend.Refresh();
}

void ShowThematicDialog(ViewContext &context, const QString &workFolder, QWidget *parent) {
    const ViewValues &values = *context.values;
    if (!context.map || values.ThematicLayer < 0 ||
        values.ThematicLayer >= context.map->LayerCount())
        return;
    frmClassification dialog(context, workFolder, parent);
    dialog.exec();
}
