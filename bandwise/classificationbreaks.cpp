#include "bandwise/applybreaks.h"
#include "bandwise/classgrid.h"
#include "bandwise/colourschemes.h"
#include "bandwise/classification.h"
#include "contracts/mapcontrol.h"
#include "platform/legend/legendsettings.h"
#include "platform/legend/legendwidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QLocale>
#include <QTableWidget>

namespace {

const QString Bandwise = QStringLiteral("Bandwise");

} // namespace

void Classification::cmbClasses_Click() { reclassify(); }

void Classification::cmbType_Click() {
    // The class box keeps the number it shows; "<3" selects no entry.
    showClassCount(m_cmbClasses->currentText() == QStringLiteral("<3")
                       ? 0
                       : int(m_cmbClasses->currentText().toDouble()));
    m_customJustChosen = true;
    reclassify();
}

void Classification::cbxNoData_Click() { reclassify(); }

// Computes the classes anew from the boxes: the selected number of classes (breaks one
// fewer, 1 break when none is selected), the type and the ramp colours.
void Classification::reclassify() {
    const int type = CurrentClassType();
    if (type < 0)
        return;
    m_fmeMax->setEnabled(type == kbCustom);
    int breakCount = requestedBreaks();
    const int requested = breakCount;
    if (ComputeBreaks(type, m_startColor, m_endColor, breakCount)) {
        if (breakCount != requested)
            showClassCount(breakCount + 1);
    } else {
        // The renderer stayed as it was: so does the class box.
        SetActiveClass();
    }
    FillGrid();
    if (type == kbCustom && m_customJustChosen && m_fgStat->rowCount() > 0) {
        m_fgStat->setCurrentCell(0, 1);
        m_txtMax->setText(editText(cellNumber(0, 1)));
        m_txtMax->setFocus();
        m_txtMax->selectAll();
    }
    m_customJustChosen = false;
}

bool Classification::ComputeBreaks(int classType, MapColor start, MapColor end, int &breakCount) {
    try {
        const auto thematic = layer();
        const auto current = Renderer();
        if (!thematic || !current)
            throw RunTimeError(91, QStringLiteral("Object variable not set: no class renderer"),
                               Bandwise);
        BreakInput input;
        input.layer = thematic.get();
        input.field = current->Field().isEmpty() ? m_field : current->Field();
        input.nullValue = m_nullValue;
        input.numDecimals = m_numDecimals;
        input.minValue = m_minValue;
        input.maxValue = m_maxValue;
        input.grid = gridLimits();
        const ColourScheme *scheme = FindColourScheme(m_scheme);
        input.maxClasses = scheme ? scheme->maxClasses : 0;
        int count = breakCount;
        const BreakResult result = ComputeTypeBreaks(classType, input, count);
        // A scheme colours the classes itself: the ramp only gives the renderer its size.
        const auto applied = ApplyBreaks(*current, {start, end, m_rampColors || scheme}, count,
                                         result.breaks, m_nullValue);
        if (!applied)
            return false;
        breakCount = count;
        m_minValue = result.minValue;
        m_maxValue = result.maxValue;
        if (scheme)
            paintScheme(*applied);
        thematic->SetRenderer(applied);
        refreshPreview();
        return true;
    } catch (const RunTimeError &error) {
        HandleError(Bandwise, 16, QString(), error);
        return false;
    }
}

// Redraws the map and the legend preview with the current limits and no-data setting.
void Classification::refreshPreview() {
    if (m_map)
        m_map->Refresh();
    m_objClass->setMaximum(std::max(m_maxValue, m_statistics.Max));
    m_objClass->setMinimum(std::min(m_minValue, m_statistics.Min));
    m_objClass->setNoDataText(m_noDataTag);
    m_objClass->setShowNoData(m_cbxNoData->isChecked());
    m_objClass->Refresh();
    emit RendererChanged();
}

void Classification::FillGrid() {
    const auto renderer = Renderer();
    if (!renderer) {
        m_fgStat->setRowCount(0);
        return;
    }
    const QList<GridRow> rows =
        GridRows(*renderer, m_statistics, m_minValue, m_maxValue, m_numDecimals);
    m_fgStat->setRowCount(int(rows.size()));
    for (int i = 0; i < rows.size(); ++i) {
        const GridRow &row = rows.at(i);
        setCell(i, 0, formatLimit(row.lower, row.lowerWhole), row.lower);
        setCell(i, 1, formatLimit(row.upper, row.upperWhole), row.upper);
        setCell(i, 2, QString(), std::nullopt);
        setCell(i, 3, QString(), std::nullopt);
    }
    if (!IsPlaceholderGrid(*renderer))
        countClasses();
}

void Classification::countClasses() {
    const auto thematic = layer();
    if (!thematic)
        return;
    const auto renderer = Renderer();
    if (!renderer)
        return;
    // The counts of the classes the map paints, so that grid, legend and map agree.
    const QList<qint64> counts = CountPaintedClasses(
        *thematic, *renderer, renderer->Field().isEmpty() ? m_field : renderer->Field(),
        m_nullValue);
    const QLocale locale;
    for (int i = 0; i < counts.size(); ++i) {
        setCell(i, 2, QString::number(counts.at(i)), double(counts.at(i)));
        const double percent = ClassPercent(counts.at(i), m_statistics.Count);
        setCell(i, 3, locale.toString(percent, 'f', 1), percent);
    }
}

QList<ClassLimits> Classification::gridLimits() const {
    QList<ClassLimits> limits;
    for (int i = 0; i < m_fgStat->rowCount(); ++i) {
        ClassLimits row;
        const QTableWidgetItem *lower = m_fgStat->item(i, 0);
        if (lower && !lower->text().isEmpty())
            row.lower = cellNumber(i, 0);
        row.upper = cellNumber(i, 1);
        limits.append(row);
    }
    return limits;
}

QString Classification::formatLimit(double value, bool whole) const {
    return formatLegendNumber(value, whole || m_numDecimals <= 0 ? m_noDecFormatString
                                                                 : m_formatString);
}

// A limit as the user edits it: the decimals of the limits, the user's decimal symbol, no
// thousands separators.
QString Classification::editText(double value) const {
    QString text = QString::number(value, 'f', std::max(m_numDecimals, 0));
    if (m_decimal != u'.')
        text.replace(u'.', m_decimal);
    return text;
}

double Classification::cellNumber(int row, int column) const {
    const QTableWidgetItem *item = m_fgStat->item(row, column);
    return item ? item->data(Qt::UserRole).toDouble() : 0.0;
}

void Classification::setCell(int row, int column, const QString &text,
                             std::optional<double> number) {
    auto *item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    if (number)
        item->setData(Qt::UserRole, *number);
    m_fgStat->setItem(row, column, item);
}
