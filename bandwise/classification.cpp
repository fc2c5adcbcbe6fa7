#include "bandwise/classification.h"

#include "bandwise/numberkeyfilter.h"
#include "contracts/mapcontrol.h"
#include "kitbag/kbutil.h"
#include "platform/legend/legendwidget.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

namespace {

QGroupBox *frame(const QString &name, const QString &caption, QWidget *parent) {
    auto *box = new QGroupBox(caption, parent);
    box->setObjectName(name);
    return box;
}

void showColour(QPushButton *box, MapColor color) {
    box->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; border: 1px solid "
                                      "gray; min-width: 36px; min-height: 18px; }")
                           .arg(toQColor(color).name()));
}

int mouseButton(const QMouseEvent *event) {
    const Qt::MouseButtons b = event->buttons() | event->button();
    return (b & Qt::LeftButton ? 1 : 0) | (b & Qt::RightButton ? 2 : 0) |
           (b & Qt::MiddleButton ? 4 : 0);
}

int shiftState(Qt::KeyboardModifiers m) {
    return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) |
           (m & Qt::AltModifier ? 4 : 0);
}

} // namespace

Classification::Classification(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Classification"));
    m_chooseColor = [this](const QColor &initial) -> std::optional<QColor> {
        const QColor chosen = QColorDialog::getColor(initial, this);
        return chosen.isValid() ? std::optional<QColor>(chosen) : std::nullopt;
    };
    buildControls();
    layOut();
    GetDesimalsymbol();
}

Classification::~Classification() = default;

void Classification::buildControls() {
    m_frmClasses = frame(QStringLiteral("frmClasses"), QStringLiteral("Number of classes"), this);
    m_cmbClasses = new QComboBox(m_frmClasses);
    m_cmbClasses->setObjectName(QStringLiteral("cmbClasses"));
    m_cmbClasses->setEditable(true);
    m_cmbClasses->lineEdit()->setReadOnly(true);
    m_cmbClasses->setInsertPolicy(QComboBox::NoInsert);
    m_frmType = frame(QStringLiteral("frmType"), QStringLiteral("Type"), this);
    m_cmbType = new QComboBox(m_frmType);
    m_cmbType->setObjectName(QStringLiteral("cmbType"));
    m_frmColor = frame(QStringLiteral("frmColor"), QStringLiteral("Color ramp"), this);
    m_lblStart = new QLabel(QStringLiteral("Start"), m_frmColor);
    m_lblStart->setObjectName(QStringLiteral("lblStart"));
    m_lblEnd = new QLabel(QStringLiteral("End"), m_frmColor);
    m_lblEnd->setObjectName(QStringLiteral("lblEnd"));
    m_pbStart = new QPushButton(m_frmColor);
    m_pbStart->setObjectName(QStringLiteral("pbStart"));
    m_pbEnd = new QPushButton(m_frmColor);
    m_pbEnd->setObjectName(QStringLiteral("pbEnd"));
    showColour(m_pbStart, m_startColor);
    showColour(m_pbEnd, m_endColor);
    m_fmeMax = frame(QStringLiteral("fmeMax"), QStringLiteral("Maximum value"), this);
    m_txtMax = new QLineEdit(m_fmeMax);
    m_txtMax->setObjectName(QStringLiteral("txtMax"));
    m_fmeMax->setEnabled(false);
    m_fgStat = new QTableWidget(0, 4, this);
    m_fgStat->setObjectName(QStringLiteral("fgStat"));
    m_fgStat->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_fgStat->setSelectionMode(QAbstractItemView::SingleSelection);
    m_fgStat->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_fgStat->verticalHeader()->hide();
    m_fgStat->setHorizontalHeaderLabels({QString(), QString(), QString(), QString()});
    m_fgStat->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_fgStat->setTabKeyNavigation(false);
    m_fgStat->installEventFilter(this);
    m_cbxNoData = new QCheckBox(QStringLiteral("Show No Data"), this);
    m_cbxNoData->setObjectName(QStringLiteral("cbxNoData"));
    m_objClass = new LegendWidget(this);
    m_objClass->setObjectName(QStringLiteral("objClass"));

    // Only the user's own actions reclassify; the host's settings never do.
    connect(m_cmbClasses, &QComboBox::activated, this, [this] { cmbClasses_Click(); });
    connect(m_cmbType, &QComboBox::activated, this, [this] { cmbType_Click(); });
    connect(m_cbxNoData, &QCheckBox::clicked, this, [this] { cbxNoData_Click(); });
    connect(m_pbStart, &QPushButton::clicked, this, [this] { pbStart_Click(); });
    connect(m_pbEnd, &QPushButton::clicked, this, [this] { pbEnd_Click(); });
    connect(m_objClass, &LegendWidget::SymbolClicked, this,
            [this](int layerIndex, int symbolIndex) { objClass_SymbolClick(layerIndex, symbolIndex); });
    connect(m_fgStat, &QTableWidget::cellClicked, this,
            [this](int row, int column) { fgStat_Click(row, column); });
}

void Classification::layOut() {
    auto *classes = new QVBoxLayout(m_frmClasses);
    classes->addWidget(m_cmbClasses);
    auto *type = new QVBoxLayout(m_frmType);
    type->addWidget(m_cmbType);
    auto *colours = new QGridLayout(m_frmColor);
    colours->addWidget(m_lblStart, 0, 0);
    colours->addWidget(m_pbStart, 0, 1);
    colours->addWidget(m_lblEnd, 1, 0);
    colours->addWidget(m_pbEnd, 1, 1);
    auto *limit = new QVBoxLayout(m_fmeMax);
    limit->addWidget(m_txtMax);

    auto *settings = new QGridLayout;
    settings->addWidget(m_frmClasses, 0, 0);
    settings->addWidget(m_frmType, 0, 1);
    settings->addWidget(m_frmColor, 0, 2, 2, 1);
    settings->addWidget(m_fmeMax, 1, 0);
    settings->addWidget(m_cbxNoData, 1, 1);
    // The legend preview scrolls when it is longer than the grid beside it.
    auto *legend = new QScrollArea(this);
    legend->setObjectName(QStringLiteral("scrLegend"));
    legend->setWidgetResizable(true);
    legend->setWidget(m_objClass);
    auto *tables = new QHBoxLayout;
    tables->addWidget(m_fgStat, 3);
    tables->addWidget(legend, 2);
    auto *all = new QVBoxLayout(this);
    all->addLayout(settings);
    all->addLayout(tables, 1);
}

// clang-format off
void Classification::setStartColor(MapColor c) { m_startColor = c; showColour(m_pbStart, c); }
void Classification::setEndColor(MapColor c) { m_endColor = c; showColour(m_pbEnd, c); }
QString Classification::LabelStartText() const { return m_lblStart->text(); }
void Classification::setLabelStartText(const QString &t) { m_lblStart->setText(t); }
QString Classification::LabelEndText() const { return m_lblEnd->text(); }
void Classification::setLabelEndText(const QString &t) { m_lblEnd->setText(t); }
QString Classification::FrameClassesText() const { return m_frmClasses->title(); }
void Classification::setFrameClassesText(const QString &t) { m_frmClasses->setTitle(t); }
QString Classification::FrameTypeText() const { return m_frmType->title(); }
void Classification::setFrameTypeText(const QString &t) { m_frmType->setTitle(t); }
QString Classification::FrameColorText() const { return m_frmColor->title(); }
void Classification::setFrameColorText(const QString &t) { m_frmColor->setTitle(t); }
QString Classification::FrameMaxText() const { return m_fmeMax->title(); }
void Classification::setFrameMaxText(const QString &t) { m_fmeMax->setTitle(t); }
QString Classification::CBXNoDataText() const { return m_cbxNoData->text(); }
void Classification::setCBXNoDataText(const QString &t) { m_cbxNoData->setText(t); }
int Classification::ShowNoData() const { return m_cbxNoData->isChecked() ? 1 : 0; }
void Classification::setShowNoData(int state) { m_cbxNoData->setChecked(state == 1); }
// clang-format on

std::shared_ptr<MapLayer> Classification::layer() const {
    return m_map && m_map->LayerCount() > 0 ? m_map->Layer(0) : nullptr;
}

std::shared_ptr<ClassBreaksRenderer> Classification::Renderer() const {
    const auto thematic = layer();
    return thematic ? thematic->Renderer() : nullptr;
}

MapStatistics Classification::MapSource(MapControl *map, const QString &field,
                                        std::optional<MapStatistics> statistics) {
    m_map = map;
    m_field = field;
    if (!statistics) {
        const auto thematic = layer();
        const auto records = thematic ? thematic->SearchExpression(
                                            field + QStringLiteral(" > ") +
                                            QString::number(m_nullValue))
                                      : nullptr;
        statistics = records ? records->CalculateStatistics(field) : std::nullopt;
    }
    m_statistics = statistics.value_or(MapStatistics());
    m_objClass->setStatistics(m_statistics);
    m_objClass->setShowNoData(m_cbxNoData->isChecked());
    m_objClass->setNoDataText(m_noDataTag);
    m_objClass->setMapSource(map);
    m_objClass->setFieldName(field);
    m_objClass->setNumberFormat(m_numDecimals > 0 ? m_formatString : m_noDecFormatString);
    m_objClass->setNoDecimalFormat(m_noDecFormatString);
    m_objClass->setNumDecimals(m_numDecimals);
    m_objClass->LoadLegend();
    refreshPreview();
    m_fgStat->setCurrentCell(-1, 1);
    FillGrid();
    return m_statistics;
}

std::optional<QList<double>> Classification::GetClasses() const {
    const auto renderer = Renderer();
    if (!renderer)
        return std::nullopt;
    QList<double> breaks;
    for (int i = 0; i < renderer->BreakCount(); ++i)
        breaks.append(renderer->Break(i));
    return breaks;
}

void Classification::SetActiveClass() {
    const auto renderer = Renderer();
    showClassCount(renderer ? renderer->BreakCount() : 0);
}

void Classification::SetActiveClassType(int kbType) {
    m_cmbType->setCurrentIndex(kbType >= 0 && kbType < m_cmbType->count() ? kbType : -1);
    m_fmeMax->setEnabled(kbType == kbCustom);
}

bool Classification::AddClassNum(int iNum) {
    m_cmbClasses->addItem(QString::number(iNum), iNum);
    return true;
}

bool Classification::AddTypeItem(const QString &typeText, int classType) {
    if (m_typeItems.contains(typeText))
        return false;
    m_typeItems.insert(typeText, classType);
    // Adding an entry selects none: the type stays unchosen until the host or the user picks.
    const int selected = m_cmbType->currentIndex();
    m_cmbType->addItem(typeText, classType);
    m_cmbType->setCurrentIndex(selected);
    return true;
}

bool Classification::ClearClassNum() {
    m_cmbClasses->clear();
    return true;
}

bool Classification::ClearType() {
    m_cmbType->clear();
    m_typeItems.clear();
    return true;
}

bool Classification::SetGridTitle(int iIndex, const QString &sTitle) {
    if (iIndex < 0 || iIndex >= m_fgStat->columnCount())
        return false;
    m_fgStat->setHorizontalHeaderItem(iIndex, new QTableWidgetItem(sTitle));
    return true;
}

bool Classification::AddMsg(const QString &sMsg, const QString &sKey) {
    const QString key = sKey.toUpper();
    if (m_messages.contains(key))
        return false;
    m_messages.insert(key, sMsg);
    return true;
}

void Classification::GetDesimalsymbol() {
    const QString symbol = CKbUtil().GetRegKeyValue(
        CKbUtil::HKEY_CURRENT_USER, QStringLiteral("Control Panel\\International"),
        QStringLiteral("sDecimal"));
    m_decimal = symbol == QStringLiteral(",") ? u',' : u'.';
    delete m_maxFilter;
    m_maxFilter = new NumberKeyFilter(m_txtMax, {true, m_decimal});
    connect(m_maxFilter, &NumberKeyFilter::committed, this, [this] { txtMax_Commit(); });
}

int Classification::CurrentClassType() const {
    const int index = m_cmbType->currentIndex();
    return index < 0 ? -1 : m_cmbType->itemData(index).toInt();
}

int Classification::CurrentClassNum() const {
    const QString text = m_cmbClasses->currentText();
    if (text != QStringLiteral("<3")) {
        const int index = m_cmbClasses->currentIndex();
        if (index >= 0)
            return int(std::nearbyint(m_cmbClasses->itemText(index).toDouble()));
        bool ok = false;
        const double typed = text.toDouble(&ok);
        if (ok)
            return int(std::nearbyint(typed));
    }
    const auto renderer = Renderer();
    return renderer ? renderer->BreakCount() : 2;
}

void Classification::showClassCount(int classes) {
    if (classes < 3) {
        m_cmbClasses->setCurrentIndex(-1);
        m_cmbClasses->setEditText(QStringLiteral("<3"));
        return;
    }
    const int index = m_cmbClasses->findText(QString::number(classes));
    m_cmbClasses->setCurrentIndex(index);
    if (index < 0)
        m_cmbClasses->setEditText(QString::number(classes));
}

int Classification::requestedBreaks() const {
    const int index = m_cmbClasses->currentIndex();
    if (index < 0)
        return 1;
    return int(std::nearbyint(m_cmbClasses->itemText(index).toDouble())) - 1;
}

void Classification::mousePressEvent(QMouseEvent *e) {
    emit MouseDown(mouseButton(e), shiftState(e->modifiers()), e->position().x(), e->position().y());
}
void Classification::mouseMoveEvent(QMouseEvent *e) {
    emit MouseMove(mouseButton(e), shiftState(e->modifiers()), e->position().x(), e->position().y());
}
void Classification::mouseReleaseEvent(QMouseEvent *e) {
    emit MouseUp(mouseButton(e), shiftState(e->modifiers()), e->position().x(), e->position().y());
    emit Click();
}
void Classification::mouseDoubleClickEvent(QMouseEvent *) { emit DblClick(); }
// The key events are reported and passed on to the host: Escape and Enter, which a control
// of the classification area left unhandled, close the dialog holding it as anywhere else.
void Classification::keyPressEvent(QKeyEvent *e) {
    emit KeyDown(e->key(), shiftState(e->modifiers()));
    if (!e->text().isEmpty())
        emit KeyPress(e->text().at(0).unicode());
    e->ignore();
}
void Classification::keyReleaseEvent(QKeyEvent *e) {
    emit KeyUp(e->key(), shiftState(e->modifiers()));
    e->ignore();
}

// The grid is one stop of the Tab chain; the arrow keys walk its cells, and Enter or F2 on a
// limit cell edits that limit in the limit box, as a click does (custom classes only).
bool Classification::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_fgStat && event->type() == QEvent::KeyPress &&
        CurrentClassType() == kbCustom) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_F2) {
            fgStat_Click(m_fgStat->currentRow(), m_fgStat->currentColumn());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
