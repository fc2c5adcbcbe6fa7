#include "app/view/frmchart.h"

#include "app/runtime/screenfit.h"
#include "app/runtime/showmessage.h"
#include "app/runtime/messagetable.h"
#include "platform/legend/legendsettings.h"

#include <QApplication>
#include <QCategoryAxis>
#include <QChartView>
#include <QClipboard>
#include <QCursor>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QStatusBar>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

const QString CRLF = QStringLiteral("\r\n");
const QString Caption = QStringLiteral("Chorel (frmChart - Load)");

// The panels by key, with the message-table key of their label.
const QList<QPair<QString, QString>> &panelKeys() {
    static const QList<QPair<QString, QString>> keys = {
        {"Count", "Count"}, {"Max", "Maximum"}, {"Min", "Minimum"},    {"Mean", "Mean"},
        {"Median", "Median"}, {"StdDev", "StdDev"}, {"Sum", "Sum"}};
    return keys;
}

QString labelText(const QString &key, const QString &fallback) {
    const QString text = MessageText(key);
    return text.isEmpty() ? fallback : text;
}

} // namespace

QList<QPair<QString, double>> ChartAxisLabels(double low, double high, const QString &format) {
    QList<QPair<QString, double>> labels;
    if (!(high > low) || !std::isfinite(low) || !std::isfinite(high))
        return labels;
    // About five steps of 1, 2 or 5 times a power of ten.
    const double rough = (high - low) / 5.0;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    double step = power;
    for (double factor : {1.0, 2.0, 5.0, 10.0})
        if (factor * power >= rough) {
            step = factor * power;
            break;
        }
    // The number format of the statistic, with the decimals a fractional step needs more.
    const int stepDecimals = std::max(0, int(-std::floor(std::log10(step) + 1e-9)));
    const qsizetype dot = format.indexOf(u'.');
    const int formatDecimals = dot < 0 ? 0 : int(format.size() - dot - 1);
    QString tickFormat = dot < 0 ? format : format.left(dot);
    if (std::max(formatDecimals, stepDecimals) > 0)
        tickFormat += u'.' + QString(std::max(formatDecimals, stepDecimals), u'0');
    for (double tick = std::ceil(low / step) * step; tick <= high + step * 1e-9; tick += step) {
        const double value = std::abs(tick) < step * 1e-9 ? 0.0 : tick;
        const QString label = formatLegendNumber(value, tickFormat);
        if (labels.isEmpty() || labels.last().first != label)
            labels.append({label, value});
    }
    return labels;
}

frmChart::frmChart(CChart request, const QString &workFolder, std::int32_t nullValue,
                   QString numberFormat, QWidget *parent)
    : QDialog(parent), m_request(request), m_numberFormat(std::move(numberFormat)),
      m_table(std::move(request), workFolder, nullValue) {
    setObjectName(QStringLiteral("frmChart"));
    setWindowTitle(m_request.Title);
    FitToScreen(this, QSize(720, 480));
    mscSkjema = new QChartView(this);
    mscSkjema->setObjectName(QStringLiteral("mscSkjema"));
    mscSkjema->setRenderHint(QPainter::Antialiasing);
    fmeRamme = new QFrame(this);
    fmeRamme->setObjectName(QStringLiteral("fmeRamme"));
    cmdCopy = new QPushButton(labelText(QStringLiteral("CopyStat"), QStringLiteral("&Copy")),
                              fmeRamme);
    cmdCopy->setObjectName(QStringLiteral("cmdCopy"));
    cmdClose = new QPushButton(labelText(QStringLiteral("Close"), QStringLiteral("C&lose")),
                               fmeRamme);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    stbStat = new QStatusBar(this);
    stbStat->setObjectName(QStringLiteral("stbStat"));
    stbStat->setSizeGripEnabled(false);
    buildPanels();

    auto *buttons = new QHBoxLayout(fmeRamme);
    buttons->addStretch();
    buttons->addWidget(cmdCopy);
    buttons->addWidget(cmdClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(mscSkjema, 1);
    layout->addWidget(fmeRamme);
    layout->addWidget(stbStat);
    connect(cmdCopy, &QPushButton::clicked, this, &frmChart::cmdCopy_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
}

frmChart::~frmChart() = default;

void frmChart::buildPanels() {
    for (const auto &[key, labelKey] : panelKeys()) {
        auto *panel = new QLabel(stbStat);
        panel->setObjectName(key);
        panel->setProperty("tag", labelText(labelKey, key));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        stbStat->addWidget(panel, 1);
        m_panels.insert(key, panel);
        m_panelOrder.append(key);
    }
}

bool frmChart::Load() {
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    try {
        m_table.Open();
        const QStringList missing = m_table.MissingFields();
        if (!missing.isEmpty()) {
            QGuiApplication::restoreOverrideCursor();
            ShowMessage(Caption, 64,
                        missing.first() + u' ' + MessageText(QStringLiteral("ChartMissingField")) +
                            CRLF + MessageText(QStringLiteral("ChartClosing")));
            return false;
        }
        const QList<double> values = m_table.Values();
        showValues(values);
        m_figures = m_table.Figures(values);
        showFigures();
    } catch (const RunTimeError &error) {
        QGuiApplication::restoreOverrideCursor();
        ShowMessage(Caption, 16, error);
        return false;
    }
    QGuiApplication::restoreOverrideCursor();
    return true;
}

void frmChart::showValues(const QList<double> &ascending) {
    auto *chart = new QChart;
    chart->setTitle(m_request.Title);
    chart->legend()->hide();
    auto *series = new QLineSeries;
    QList<QPointF> points;
    points.reserve(ascending.size());
    for (qsizetype i = 0; i < ascending.size(); ++i)
        points.append(QPointF(double(i + 1), ascending.at(i)));
    series->replace(points);
    chart->addSeries(series);
    auto *x = new QValueAxis;
    x->setLabelFormat(QStringLiteral("%d"));
    x->setRange(1, std::max<double>(double(ascending.size()), 2));
    auto *y = new QCategoryAxis;
    y->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    if (!ascending.isEmpty()) {
        const double low = ascending.first();
        const double high = low == ascending.last() ? low + 1 : ascending.last();
        y->setRange(low, high);
        for (const auto &[label, value] : ChartAxisLabels(low, high, m_numberFormat))
            y->append(label, value);
    }
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(x);
    series->attachAxis(y);
    mscSkjema->setChart(chart); // the view owns the chart from now on
}

void frmChart::showFigures() {
    const auto number = [this](const std::optional<double> &value) {
        return value ? formatLegendNumber(*value, m_numberFormat) : QString();
    };
    const QMap<QString, QString> values = {
        {QStringLiteral("Count"), QString::number(m_figures.count)},
        {QStringLiteral("Max"), number(m_figures.maximum)},
        {QStringLiteral("Min"), number(m_figures.minimum)},
        {QStringLiteral("Mean"), number(m_figures.mean)},
        {QStringLiteral("Median"), number(m_figures.median)},
        {QStringLiteral("StdDev"), number(m_figures.stdDev)},
        {QStringLiteral("Sum"), number(m_figures.sum)}};
    for (auto it = m_panels.cbegin(); it != m_panels.cend(); ++it)
        it.value()->setText(it.value()->property("tag").toString() + QStringLiteral(" = ") +
                            values.value(it.key()));
}

QString frmChart::PanelText(const QString &key) const {
    const QLabel *panel = m_panels.value(key);
    return panel ? panel->text() : QString();
}

QString frmChart::CopyText() const {
    QString text;
    for (const QString &key : m_panelOrder)
        text += PanelText(key) + CRLF;
    return text;
}

QChart *frmChart::Chart() const { return mscSkjema->chart(); }

void frmChart::cmdCopy_Click() {
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(CopyText());
}

void frmChart::done(int result) {
    m_table.Close();
    QDialog::done(result);
}
