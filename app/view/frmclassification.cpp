#include "app/view/frmclassification.h"

#include "app/runtime/screenfit.h"
#include "app/runtime/messagetable.h"
#include "app/mapdefs/creadmapfile.h"
#include "app/view/cdrawsymbol.h"
#include "app/view/maplabelling.h"
#include "bandwise/classification.h"
#include "bandwise/numberkeyfilter.h"
#include "platform/mapcontrol/mapwidget.h"

#include <QColorDialog>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// The circle that shows the symbol colour.
class CircleSwatch : public QWidget {
public:
    explicit CircleSwatch(QWidget *parent) : QWidget(parent) { setFixedSize(48, 48); }
    QColor color = Qt::yellow;

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::black);
        p.setBrush(color);
        p.drawEllipse(rect().adjusted(2, 2, -3, -3));
    }
};

QString text(const char *key) { return MessageText(QString::fromLatin1(key)); }

// A button as wide as its caption needs.
QPushButton *button(const QString &name, QWidget *parent) {
    auto *b = new QPushButton(parent);
    b->setObjectName(name);
    b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return b;
}

} // namespace

frmClassification::frmClassification(ViewContext &context, QString workFolder, QWidget *parent)
    : QDialog(parent), m_context(context), m_workFolder(std::move(workFolder)) {
    setObjectName(QStringLiteral("frmClassification"));
    m_chooseColor = [this](const QColor &initial) -> std::optional<QColor> {
        const QColor chosen =
            QColorDialog::getColor(initial, this, QString(), QColorDialog::DontUseNativeDialog);
        return chosen.isValid() ? std::optional<QColor>(chosen) : std::nullopt;
    };
    buildControls();
    applyTexts();
    Load();
}

frmClassification::~frmClassification() = default;

void frmClassification::buildControls() {
    stbSymbolic = new QTabWidget(this);
    stbSymbolic->setObjectName(QStringLiteral("stbSymbolic"));
    auto *choropleth = new QWidget(stbSymbolic);
    clfClass = new Classification(choropleth);
    clfClass->setObjectName(QStringLiteral("clfClass"));
    auto *choroplethLayout = new QVBoxLayout(choropleth);
    choroplethLayout->addWidget(clfClass, 1);
    buildSchemeBox(choropleth);
    choroplethLayout->addWidget(fmeScheme);
    auto *circles = new QWidget(stbSymbolic);
    buildCirclePage(circles);
    stbSymbolic->addTab(choropleth, QString());
    stbSymbolic->addTab(circles, QString());

    // The dialog's own map control holds the thematic layer; it is never shown.
    Map1 = new MapWidget(this);
    Map1->setObjectName(QStringLiteral("Map1"));
    Map1->hide();

    cmdOK = button(QStringLiteral("cmdOK"), this);
    cmdOK->setDefault(true);
    cmdCancel = button(QStringLiteral("cmdCancel"), this);
    cmdChart = button(QStringLiteral("cmdChart"), this);
    lblLabels = new QLabel(this);
    lblLabels->setObjectName(QStringLiteral("lblLabels"));
    cmbLabels = new QComboBox(this);
    cmbLabels->setObjectName(QStringLiteral("cmbLabels"));
    lblLabels->setBuddy(cmbLabels);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdChart);
    buttons->addSpacing(16);
    buttons->addWidget(lblLabels);
    buttons->addWidget(cmbLabels);
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    // The pages scroll when the screen is smaller than they are, so that the dialog fits the
    // screen with OK and Cancel on it (large fonts, a scale factor of 2).
    auto *pages = new QScrollArea(this);
    pages->setObjectName(QStringLiteral("scrPages"));
    pages->setWidget(stbSymbolic);
    pages->setWidgetResizable(true);
    pages->setFrameShape(QFrame::NoFrame);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(pages, 1);
    layout->addLayout(buttons);
    FitToScreen(this, QSize(760, 620));

    connect(cmdOK, &QPushButton::clicked, this, &frmClassification::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmClassification::cmdCancel_Click);
    connect(cmdChart, &QPushButton::clicked, this, &frmClassification::cmdChart_Click);
    connect(cmdColor, &QPushButton::clicked, this, &frmClassification::cmdColor_Click);
}

void frmClassification::buildCirclePage(QWidget *page) {
    fmeColor = new QGroupBox(page);
    fmeColor->setObjectName(QStringLiteral("fmeColor"));
    shpCircle = new CircleSwatch(fmeColor);
    shpCircle->setObjectName(QStringLiteral("shpCircle"));
    cmdColor = button(QStringLiteral("cmdColor"), fmeColor);
    auto *colour = new QHBoxLayout(fmeColor);
    colour->addWidget(shpCircle);
    colour->addWidget(cmdColor);
    colour->addStretch();

    fmeSize = new QGroupBox(page);
    fmeSize->setObjectName(QStringLiteral("fmeSize"));
    lblSize = new QLabel(fmeSize);
    lblSize->setObjectName(QStringLiteral("lblSize"));
    txtPercent = new QLineEdit(fmeSize);
    txtPercent->setObjectName(QStringLiteral("txtPercent"));
    txtPercent->setMaximumWidth(80);
    new NumberKeyFilter(txtPercent, {});
    lblInfo = new QLabel(fmeSize);
    lblInfo->setObjectName(QStringLiteral("lblInfo"));
    lblInfo->setWordWrap(true);
    auto *size = new QVBoxLayout(fmeSize);
    auto *input = new QHBoxLayout;
    input->addWidget(lblSize);
    input->addWidget(txtPercent);
    input->addStretch();
    size->addLayout(input);
    size->addWidget(lblInfo);

    auto *layout = new QVBoxLayout(page);
    layout->addWidget(fmeColor);
    layout->addWidget(fmeSize);
    layout->addStretch();
    connect(txtPercent, &QLineEdit::textChanged, this, [this] { txtPercent_Change(); });
}

void frmClassification::applyTexts() {
    setWindowTitle(text("ClassForm"));
    stbSymbolic->setTabText(0, text("TabThematic"));
    stbSymbolic->setTabText(1, text("TabSymbol"));
    fmeColor->setTitle(text("CircleColorTxt"));
    cmdColor->setText(text("CircleColorCmdTxt"));
    fmeSize->setTitle(text("CircleSizeTxt"));
    fmeScheme->setTitle(text("FrameSchemeText"));
    lblMidpoint->setText(text("MidpointText"));
    lblSize->setText(text("CircleSizeDescTxt"));
    lblInfo->setText(text("CircleSizeInfoTxt"));
    cmdOK->setText(text("OK"));
    cmdCancel->setText(text("Cancel"));
    cmdChart->setText(text("Chart"));
    lblLabels->setText(text("LabelsText"));
    const int chosen = cmbLabels->currentIndex();
    cmbLabels->clear();
    for (const char *key : {"LabelNone", "LabelName", "LabelValue", "LabelBoth"})
        cmbLabels->addItem(text(key));
    cmbLabels->setCurrentIndex(std::max(0, chosen));
}

QColor frmClassification::CircleColor() const {
    return static_cast<const CircleSwatch *>(shpCircle)->color;
}

void frmClassification::setCircleColor(const QColor &color) {
    static_cast<CircleSwatch *>(shpCircle)->color = color;
    shpCircle->update();
}

void frmClassification::setColorChooser(ColorChooser chooser) {
    m_chooseColor = chooser;
    clfClass->setColorChooser(std::move(chooser));
}

void frmClassification::Load() {
    ViewState &state = *m_context.state;
    ViewValues &values = *m_context.values;
    if (QWidget *main = parentWidget())
        setWindowIcon(main->window()->windowIcon());
    setCircleColor(toQColor(state.SymbolColor));
    const bool circles = values.SymbolDrawer && state.CircleMap;
    txtPercent->setText(circles ? QString::number(values.SymbolDrawer->CirclePercent)
                                : QStringLiteral("10"));
    stbSymbolic->setCurrentIndex(state.CircleMap ? 1 : 0);
    cmbLabels->setCurrentIndex(int(ShownLabels(m_context)));
    setUpClassification();

    // The thematic layer itself is shown by both map controls; the control classifies a copy
    // of the current renderer, which stays untouched until OK.
    m_layer = m_context.map->Layer(values.ThematicLayer);
    Map1->AddLayer(m_layer);
    if (state.CircleMap) {
        m_layer->SetRenderer(values.CurrentRenderer);
        OpenedOnCircles = true;
    } else {
        values.CurrentRenderer = m_layer->Renderer();
        m_layer->SetRenderer(values.CurrentRenderer ? values.CurrentRenderer->Clone() : nullptr);
    }
    values.Statistics =
        clfClass->MapSource(Map1, m_context.mapReader->GetStatField(), values.Statistics);
    clfClass->SetActiveClass();
    clfClass->SetActiveClassType(state.ClassType);
    setUpScheme();
}

void frmClassification::setUpClassification() {
    const ViewState &state = *m_context.state;
    const ViewValues &values = *m_context.values;
    Classification &c = *clfClass;
    c.AddMsg(text("Less"), QStringLiteral("LESS"));
    c.AddMsg(text("Greater"), QStringLiteral("GREATER"));
    c.AddMsg(text("GreaterMin"), QStringLiteral("GREATERMIN"));
    c.SetGridTitle(0, text("Minimum"));
    c.SetGridTitle(1, text("Maximum"));
    c.SetGridTitle(2, text("Count"));
    c.SetGridTitle(3, text("Percent"));
    c.setMaxValue(values.Maximum);
    c.setMinValue(values.Minimum);
    c.setNullValue(values.NullValue);
    c.setFormatString(values.NumberFormat);
    c.setNoDecFormatString(QStringLiteral("##,##0"));
    c.setNumDecimals(values.Decimals);
    c.setFrameClassesText(text("FrameClassesText"));
    c.setFrameTypeText(text("FrameTypeText"));
    c.setLabelEndText(text("LabelEndText"));
    c.setLabelStartText(text("LabelStartText"));
    c.setFrameColorText(text("FrameColorText"));
    c.setFrameMaxText(text("FrameMaximumTXT"));
    c.setCBXNoDataTag(text("NoData"));
    c.setCBXNoDataText(text("NoDataCheckText"));
    c.setShowNoData(values.ShowNoData ? 1 : 0);
    c.setStartColor(state.StartColor);
    c.setEndColor(state.EndColor);
    c.setRampColors(values.RampFlag);
    for (int i = 3; i <= 64; ++i)
        c.AddClassNum(i);
    c.AddTypeItem(text("EqualText"), kbEqual);
    c.AddTypeItem(text("QuantileText"), kbQuantile);
    c.AddTypeItem(text("CustomText"), kbCustom);
    c.AddTypeItem(text("NaturalText"), kbNatural);
    c.AddTypeItem(text("PrettyText"), kbPretty);
    c.setScheme(state.Scheme);
    c.setMidpoint(state.Midpoint);
}

// Only digits pass the key filter; the text then stays a percentage from 0 to 100.
void frmClassification::txtPercent_Change() {
    QString value = txtPercent->text();
    value.remove(u' ');
    if (value.isEmpty())
        value = QStringLiteral("0");
    else if (value.toLongLong() >= 101 || value.size() > 3)
        value = QStringLiteral("100");
    if (value != txtPercent->text())
        txtPercent->setText(value);
}
