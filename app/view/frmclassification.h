#pragma once

#include "app/view/buildview.h"

#include <QColor>
#include <QDialog>

#include <functional>
#include <memory>
#include <optional>

class Classification;
class ClassBreaksRenderer;
class MapLayer;
class MapWidget;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class SchemePicker;

// The thematic settings dialog: the first page classifies the shown statistic as a choropleth
// map through the classification control, the second draws it as proportional circles with a
// colour and a size percentage. The control works on a copy of the current renderer on the
// thematic layer, shown in the dialog's own map control; the main map takes the result only
// on OK. Cancel, Escape and the window's close button leave the main map as it was.
class frmClassification : public QDialog {
    Q_OBJECT

public:
    // context: the main window's view; workFolder: where the chart copies its table.
    frmClassification(ViewContext &context, QString workFolder, QWidget *parent = nullptr);
    ~frmClassification() override;

    QTabWidget *stbSymbolic = nullptr;
    Classification *clfClass = nullptr;
    MapWidget *Map1 = nullptr;
    // Under the classification control: the colour scheme and a diverging scheme's midpoint.
    QGroupBox *fmeScheme = nullptr;
    SchemePicker *cmbScheme = nullptr;
    QLabel *lblMidpoint = nullptr;
    QLineEdit *txtMidpoint = nullptr;
    QGroupBox *fmeColor = nullptr;
    QWidget *shpCircle = nullptr;
    QPushButton *cmdColor = nullptr;
    QGroupBox *fmeSize = nullptr;
    QLineEdit *txtPercent = nullptr;
    QLabel *lblSize = nullptr;
    QLabel *lblInfo = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdChart = nullptr;
    // The region labels: none, names, values, names and values (in LabelMode's order).
    QLabel *lblLabels = nullptr;
    QComboBox *cmbLabels = nullptr;

    bool OpenedOnCircles = false;
    QColor CircleColor() const;
    void setCircleColor(const QColor &color);

    // How colours are chosen: the colour dialog unless replaced (none: cancelled). Also
    // handed to the classification control.
    using ColorChooser = std::function<std::optional<QColor>(const QColor &initial)>;
    void setColorChooser(ColorChooser chooser);

    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdChart_Click();
    void cmdColor_Click();
    // The user chose a colour scheme (empty: the ramp) in the picker.
    void cmbScheme_Click(const QString &scheme);
    // The user ended editing the midpoint (Enter, leaving the box, or OK): an empty box
    // returns to the default midpoint.
    void txtMidpoint_Commit();
    // Cancel, Escape and the close button: the main map's layer gets its renderer back.
    void reject() override;

private:
    void buildControls();
    void buildCirclePage(QWidget *page);
    void buildSchemeBox(QWidget *page);
    void setUpScheme();
    void showMidpoint();
    QString midpointText(double value) const;
    void applyTexts();
    void Load();
    void setUpClassification();
    void txtPercent_Change();
    void restoreLayer();
    void applyChoropleth();
    void applyCircles();
    void updateMainLegend(bool showNoDataChanged);

    ViewContext &m_context;
    QString m_workFolder;
    std::shared_ptr<MapLayer> m_layer;
    bool m_restored = false;
    ColorChooser m_chooseColor;
    QChar m_decimal = u'.';
};

// Opens the thematic settings dialog modally on the shown map (nothing without a map).
void ShowThematicDialog(ViewContext &context, const QString &workFolder, QWidget *parent);
