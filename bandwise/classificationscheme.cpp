// The classification control's colour scheme: the classes take a published scheme's colours
// instead of the ramp from the start to the end colour, a diverging scheme centred on a
// midpoint.
#include "bandwise/applybreaks.h"
#include "bandwise/classification.h"
#include "bandwise/colourschemes.h"
#include "bandwise/databreaks.h"
#include "contracts/mapcontrol.h"

#include <QGroupBox>

void Classification::setScheme(const QString &name) {
    const ColourScheme *scheme = FindColourScheme(name);
    m_scheme = scheme ? QLatin1String(scheme->name) : QString();
    // The start and end colours have no say while a scheme colours the classes.
    m_frmColor->setEnabled(m_scheme.isEmpty());
}

std::vector<double> Classification::dataValues() const {
    const auto thematic = layer();
    const auto records = thematic ? thematic->SearchExpression(
                                        m_field + QStringLiteral(" > ") +
                                        QString::number(m_nullValue))
                                  : nullptr;
    return records ? RecordValues(*records, m_field) : std::vector<double>();
}

double Classification::SchemeMidpoint() const {
    return m_midpoint ? *m_midpoint : DefaultMidpoint(dataValues());
}

// Gives the data classes (symbols 1 .. BreakCount) the scheme's colours for the classes the
// renderer's breaks make between the lowest and highest limit.
void Classification::paintScheme(ClassBreaksRenderer &renderer) const {
    const ColourScheme *scheme = FindColourScheme(m_scheme);
    if (!scheme)
        return;
    QList<double> breaks;
    for (int i = 1; i < renderer.BreakCount(); ++i)
        breaks.append(renderer.Break(i));
    const QList<MapColor> colours = ClassColoursOfScheme(
        *scheme, breaks, m_minValue, m_maxValue, m_midpoint, [this] { return dataValues(); });
    for (int i = 1; i <= renderer.BreakCount() && i <= colours.size(); ++i)
        renderer.Symbol(i).Color = colours.at(i - 1);
}

void Classification::Recolour(const QString &scheme, std::optional<double> midpoint) {
    setScheme(scheme);
    m_midpoint = midpoint;
    const auto current = Renderer();
    if (!current || current->BreakCount() < 1)
        return;
    // Without a scheme the classes go back to the ramp.
    if (m_scheme.isEmpty())
        m_rampColors = true;
    QList<double> breaks;
    for (int i = 1; i < current->BreakCount(); ++i)
        breaks.append(current->Break(i));
    const auto recoloured = ApplyBreaks(*current, {m_startColor, m_endColor, true},
                                        current->BreakCount() - 1, breaks, m_nullValue);
    if (!recoloured)
        return;
    paintScheme(*recoloured);
    layer()->SetRenderer(recoloured);
    refreshPreview();
}
