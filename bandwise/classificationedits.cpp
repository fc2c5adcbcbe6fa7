#include "bandwise/classification.h"
#include "contracts/mapclassbreaksrenderer.h"
#include "contracts/mapcontrol.h"
#include "contracts/messagehook.h"
#include "platform/legend/legendsettings.h"
#include "platform/legend/legendwidget.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QLocale>
#include <QTableWidget>

namespace {

const QString CR = QStringLiteral("\r");

// The built-in texts of the refusals, used when the host filed none.
QString builtInMessage(const QString &key) {
    if (key == QStringLiteral("GREATERMIN"))
        return QStringLiteral("Number can't be greater than");
    if (key == QStringLiteral("LESS"))
        return QStringLiteral("Number can't be less than");
    if (key == QStringLiteral("GREATER"))
        return QStringLiteral("Number can't be greater than or equal to");
    return QString();
}

} // namespace

// Custom limits: the lowest limit (row 1, column 0) and every upper limit can be edited.
void Classification::fgStat_Click(int row, int column) {
    if (CurrentClassType() != kbCustom || row < 0 || row >= m_fgStat->rowCount())
        return;
    if (!((row == 0 && column == 0) || column == 1))
        column = 1;
    m_fgStat->setCurrentCell(row, column);
    m_txtMax->setText(editText(cellNumber(row, column)));
    m_txtMax->setFocus();
    m_txtMax->selectAll();
}

void Classification::txtMax_Commit() {
    const int row = m_fgStat->currentRow();
    const int column = m_fgStat->currentColumn();
    if (CurrentClassType() != kbCustom || row < 0 || row >= m_fgStat->rowCount() ||
        !((row == 0 && column == 0) || column == 1))
        return;
    QString text = m_txtMax->text().trimmed();
    text.replace(m_decimal, u'.');
    bool ok = text.isEmpty();
    const double value = text.isEmpty() ? 0.0 : QLocale::c().toDouble(text, &ok);
    if (!ok) {
        m_txtMax->selectAll();
        return;
    }
    const int last = m_fgStat->rowCount() - 1;
    if (row == 0 && column == 0) {
        if (value > m_statistics.Min)
            return refuse(QStringLiteral("GREATERMIN"), m_statistics.Min);
    } else if (row == last) {
        if (value < cellNumber(row, 0))
            return refuse(QStringLiteral("LESS"), cellNumber(row, 0));
        if (value < m_statistics.Max)
            return refuse(QStringLiteral("LESS"), m_statistics.Max);
    } else {
        if (value >= cellNumber(row + 1, 1))
            return refuse(QStringLiteral("GREATER"), cellNumber(row + 1, 1));
        if (value < cellNumber(row, 0))
            return refuse(QStringLiteral("LESS"), cellNumber(row, 0));
    }
    setCell(row, column, formatLimit(value, false), value);
    reclassify();
    const int next = row >= m_fgStat->rowCount() - 1 ? 0 : row + 1;
    fgStat_Click(next, 1);
}

void Classification::refuse(const QString &key, double limit) {
    showLibraryMessage(QStringLiteral("Chorel"), 64,
                       message(key) + u' ' + formatLimit(limit, m_numDecimals <= 0));
    m_txtMax->setFocus();
    m_txtMax->selectAll();
}

QString Classification::message(const QString &key) const {
    const QString filed = m_messages.value(key.toUpper());
    return filed.isEmpty() ? builtInMessage(key.toUpper()) : filed;
}

void Classification::pbStart_Click() { chooseRampColor(true); }
void Classification::pbEnd_Click() { chooseRampColor(false); }

// A chosen colour switches the ramp on and reclassifies; cancelling switches it off.
void Classification::chooseRampColor(bool start) {
    const MapColor current = start ? m_startColor : m_endColor;
    const std::optional<QColor> chosen = m_chooseColor(toQColor(current));
    if (!chosen) {
        m_rampColors = false;
        return;
    }
    if (start)
        setStartColor(fromQColor(*chosen));
    else
        setEndColor(fromQColor(*chosen));
    m_rampColors = true;
    reclassify();
}

// A click on a class symbol of the preview recolours that class; the ramp is off from then on,
// and so is a colour scheme: the classes keep the colours they have, each its own.
void Classification::objClass_SymbolClick(int, int symbolIndex) {
    if (!m_cbxNoData->isChecked())
        symbolIndex += 1;
    m_rampColors = false;
    const auto current = Renderer();
    if (!current || symbolIndex < 0 || symbolIndex > current->BreakCount())
        return;
    const std::optional<QColor> chosen = m_chooseColor(toQColor(current->Symbol(symbolIndex).Color));
    if (!chosen)
        return;
    setScheme(QString());
    const auto recoloured = current->Clone();
    const MapColor colour = fromQColor(*chosen);
    recoloured->Symbol(symbolIndex).Color = colour;
    if (symbolIndex == 1)
        setStartColor(colour);
    if (symbolIndex == recoloured->BreakCount())
        setEndColor(colour);
    m_map->Layer(0)->SetRenderer(recoloured);
    refreshPreview();
}

void Classification::HandleError(const QString &sTitle, int vmbsMsgType, const QString &sMessage,
                                 const RunTimeError &error) {
    QString text = sMessage;
    if (text.isEmpty()) {
        text = QStringLiteral("Error #") + QString::number(error.number()) + CR +
               QStringLiteral("   ") + error.description() + CR + QStringLiteral("   (Source: ") +
               error.source() + u')' + CR + QStringLiteral("   (Last DLL error: ") +
               QString::number(error.lastDllError()) + u')' + CR;
        if (error.helpFile().isEmpty())
            text += QStringLiteral("   No Help file available") + CR + CR;
        else
            text += QStringLiteral("   (HelpFile: ") + error.helpFile() + u')' + CR +
                    QStringLiteral("   (HelpContext: ") + QString::number(error.helpContext()) +
                    u')' + CR + CR;
    }
    showLibraryMessage(sTitle, vmbsMsgType, text);
}
