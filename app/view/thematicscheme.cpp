// The colour scheme part of the thematic settings dialog: the scheme picker and the midpoint
// box under the classification control. A chosen scheme recolours the preview at once; the
// main map takes it on OK like everything else on the page.
#include "app/view/frmclassification.h"

#include "app/view/schemepicker.h"
#include "bandwise/classification.h"
#include "bandwise/colourschemes.h"
#include "bandwise/numberkeyfilter.h"
#include "contracts/mapclassbreaksrenderer.h"
#include "kitbag/kbutil.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>

void frmClassification::buildSchemeBox(QWidget *page) {
    m_decimal = CKbUtil().GetRegKeyValue(CKbUtil::HKEY_CURRENT_USER,
                                         QStringLiteral("Control Panel\\International"),
                                         QStringLiteral("sDecimal")) == QStringLiteral(",")
                    ? u','
                    : u'.';
    fmeScheme = new QGroupBox(page);
    fmeScheme->setObjectName(QStringLiteral("fmeScheme"));
    cmbScheme = new SchemePicker(fmeScheme);
    cmbScheme->setMinimumWidth(200);
    lblMidpoint = new QLabel(fmeScheme);
    lblMidpoint->setObjectName(QStringLiteral("lblMidpoint"));
    txtMidpoint = new QLineEdit(fmeScheme);
    txtMidpoint->setObjectName(QStringLiteral("txtMidpoint"));
    txtMidpoint->setMaximumWidth(120);
    txtMidpoint->setAlignment(Qt::AlignRight);
    auto *filter = new NumberKeyFilter(txtMidpoint, {true, m_decimal});
    auto *layout = new QHBoxLayout(fmeScheme);
    layout->addWidget(cmbScheme);
    layout->addSpacing(24);
    layout->addWidget(lblMidpoint);
    layout->addWidget(txtMidpoint);
    layout->addStretch();

    connect(cmbScheme, &SchemePicker::schemeChosen, this,
            [this](const QString &scheme) { cmbScheme_Click(scheme); });
    connect(filter, &NumberKeyFilter::committed, this, [this] { txtMidpoint_Commit(); });
    connect(txtMidpoint, &QLineEdit::editingFinished, this, [this] { txtMidpoint_Commit(); });
    // The preview strips show as many colours as there are classes; a class given a colour
    // of its own in the legend ends the scheme.
    connect(clfClass, &Classification::RendererChanged, this, [this] {
        if (const auto renderer = clfClass->Renderer())
            cmbScheme->setClassCount(std::max(renderer->BreakCount(), 1));
        if (cmbScheme->scheme() != clfClass->Scheme()) {
            cmbScheme->setScheme(clfClass->Scheme());
            showMidpoint();
        }
    });
}

// The scheme the map is coloured with when the dialog opens (none: the ramp).
void frmClassification::setUpScheme() {
    cmbScheme->setScheme(clfClass->Scheme());
    if (const auto renderer = clfClass->Renderer())
        cmbScheme->setClassCount(std::max(renderer->BreakCount(), 1));
    showMidpoint();
}

QString frmClassification::midpointText(double value) const {
    QString text = QString::number(value, 'g', 15);
    if (m_decimal != u'.')
        text.replace(u'.', m_decimal);
    return text;
}

// Only a diverging scheme has a midpoint; the box shows the one it centres on.
void frmClassification::showMidpoint() {
    const ColourScheme *scheme = FindColourScheme(clfClass->Scheme());
    const bool diverging = scheme && scheme->kind == SchemeKind::Diverging;
    txtMidpoint->setEnabled(diverging);
    lblMidpoint->setEnabled(diverging);
    const QSignalBlocker quiet(txtMidpoint);
    txtMidpoint->setText(diverging ? midpointText(clfClass->SchemeMidpoint()) : QString());
}

void frmClassification::cmbScheme_Click(const QString &scheme) {
    clfClass->Recolour(scheme, clfClass->Midpoint());
    showMidpoint();
}

void frmClassification::txtMidpoint_Commit() {
    // Once the dialog has closed (the box loses its focus then) the map is no longer ours.
    if (m_restored || !txtMidpoint->isEnabled())
        return;
    QString typed = txtMidpoint->text().trimmed();
    if (typed == midpointText(clfClass->SchemeMidpoint()))
        return; // unchanged: the default stays the default
    std::optional<double> midpoint;
    if (!typed.isEmpty()) {
        typed.replace(m_decimal, u'.');
        bool ok = false;
        const double value = QLocale::c().toDouble(typed, &ok);
        if (!ok) {
            txtMidpoint->selectAll();
            return;
        }
        midpoint = value;
    }
    clfClass->Recolour(clfClass->Scheme(), midpoint);
    showMidpoint();
}
