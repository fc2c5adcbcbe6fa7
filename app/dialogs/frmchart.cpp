#include "app/dialogs/frmchart.h"

#include "app/driver/showmessage.h"
#include "app/files/messagetable.h"
#include "platform/legend/legendsettings.h"

#include <QApplication>
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

frmChart::frmChart(CChart request, const QString &workFolder, std::int32_t nullValue,
                   QString numberFormat, QWidget *parent)
    : QDialog(parent), m_request(request), m_numberFormat(std::move(numberFormat)),
      m_table(std::move(request), workFolder, nullValue) {
    setObjectName(QStringLiteral("frmChart"));
    setWindowTitle(m_request.Title);
    resize(720, 480);
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
    auto *y = new QValueAxis;
    if (!ascending.isEmpty())
        y->setRange(ascending.first(), ascending.first() == ascending.last()
                                           ? ascending.first() + 1
                                           : ascending.last());
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
