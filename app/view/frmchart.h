#pragma once

#include "app/view/cchart.h"
#include "app/view/charttable.h"

#include <QDialog>
#include <QMap>

#include <cstdint>
#include <memory>

class QChart;
class QChartView;
class QFrame;
class QLabel;
class QPushButton;
class QStatusBar;

// The data distribution chart: every region value of the shown statistic in ascending order,
// and a status bar with the count, maximum, minimum, mean, median, standard deviation and sum
// of the regions with data, which Copy puts on the clipboard. The dialog works on its own copy
// of the statistics table, removed when it closes.
class frmChart : public QDialog {
    Q_OBJECT

public:
    // workFolder is the program's working folder; nullValue marks the regions without data;
    // numberFormat ("##,##0" or "##,##0.00...") formats every figure but the count.
    frmChart(CChart request, const QString &workFolder, std::int32_t nullValue,
             QString numberFormat, QWidget *parent = nullptr);
    ~frmChart() override;

    // Copies and reads the table, draws the chart and fills the panels. False after the user
    // was told why nothing could be shown.
    bool Load();

    // The panel texts by key ("Count", "Max", "Min", "Mean", "Median", "StdDev", "Sum").
    QString PanelText(const QString &key) const;
    // The panel texts in panel order, each ended by CR LF.
    QString CopyText() const;
    const ChartFigures &Figures() const { return m_figures; }
    QChart *Chart() const;
    QString WorkingFolder() const { return m_table.Folder(); }

    void cmdCopy_Click();
    // Closes the dialog (also Escape and the window's close button) and removes the copy.
    void done(int result) override;

    QChartView *mscSkjema = nullptr;
    QStatusBar *stbStat = nullptr;
    QFrame *fmeRamme = nullptr;
    QPushButton *cmdCopy = nullptr;
    QPushButton *cmdClose = nullptr;

private:
    void buildPanels();
    void showValues(const QList<double> &ascending);
    void showFigures();

    CChart m_request;
    QString m_numberFormat;
    ChartTable m_table;
    ChartFigures m_figures;
    QMap<QString, QLabel *> m_panels;
    QStringList m_panelOrder;
};

// The labels of the chart's value axis from low to high: about five round steps (1, 2 or 5
// times a power of ten), each written in the number format of the statistic (grouping and
// the user's decimal symbol), with the decimals a fractional step needs.
QList<QPair<QString, double>> ChartAxisLabels(double low, double high, const QString &format);
