#pragma once

#include "bandwise/breakcompute.h"
#include "bandwise/classtypes.h"
#include "contracts/mapstatistics.h"
#include "contracts/mapsymbol.h"
#include "contracts/runtimeerror.h"

#include <QColor>
#include <QHash>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class ClassBreaksRenderer;
class LegendWidget;
class MapControl;
class MapLayer;
class NumberKeyFilter;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

// The classification control: lets the user choose how the choropleth layer (layer 0 of the
// map it is given) is classified - number of classes, classification type, ramp colours, the
// "No Data" class and, for custom classes, the limits themselves - and previews the classes
// in a grid (limits, region counts, per cent) and a legend. Every change the user makes
// reclassifies at once: the breaks are computed on a copy of the layer's renderer, which
// replaces it only when the computation succeeded.
class Classification : public QWidget {
    Q_OBJECT

public:
    explicit Classification(QWidget *parent = nullptr);
    ~Classification() override;

    // Properties.
    double MaxValue() const { return m_maxValue; }
    void setMaxValue(double value) { m_maxValue = value; }
    double MinValue() const { return m_minValue; }
    void setMinValue(double value) { m_minValue = value; }
    std::int32_t NullValue() const { return m_nullValue; }
    void setNullValue(std::int32_t value) { m_nullValue = value; }
    QString FormatString() const { return m_formatString; }
    void setFormatString(const QString &format) { m_formatString = format; }
    QString NoDecFormatString() const { return m_noDecFormatString; }
    void setNoDecFormatString(const QString &format) { m_noDecFormatString = format; }
    int NumDecimals() const { return m_numDecimals; }
    void setNumDecimals(int decimals) { m_numDecimals = decimals; }
    bool RampColors() const { return m_rampColors; }
    void setRampColors(bool ramp) { m_rampColors = ramp; }
    MapColor StartColor() const { return m_startColor; }
    void setStartColor(MapColor color);
    MapColor EndColor() const { return m_endColor; }
    void setEndColor(MapColor color);
    QString LabelStartText() const;
    void setLabelStartText(const QString &text);
    QString LabelEndText() const;
    void setLabelEndText(const QString &text);
    QString FrameClassesText() const;
    void setFrameClassesText(const QString &text);
    QString FrameTypeText() const;
    void setFrameTypeText(const QString &text);
    QString FrameColorText() const;
    void setFrameColorText(const QString &text);
    QString FrameMaxText() const;
    void setFrameMaxText(const QString &text);
    QString CBXNoDataText() const;
    void setCBXNoDataText(const QString &text);
    QString CBXNoDataTag() const { return m_noDataTag; }
    void setCBXNoDataTag(const QString &tag) { m_noDataTag = tag; }
    // 1 ticked, 0 not.
    int ShowNoData() const;
    void setShowNoData(int state);
    // Stored only.
    void setClassType(int type) { m_storedClassType = type; }
    // The colour scheme that colours the classes (bandwise/colourschemes.h), or empty for the
    // ramp from the start to the end colour. Setting it recolours nothing: see Recolour.
    QString Scheme() const { return m_scheme; }
    void setScheme(const QString &name);
    // The value a diverging scheme centres on; none: the default midpoint of the data.
    std::optional<double> Midpoint() const { return m_midpoint; }
    void setMidpoint(std::optional<double> midpoint) { m_midpoint = midpoint; }
    // The midpoint a diverging scheme centres on now: the one set, else 0 where the regions
    // with data lie on both sides of 0, else their median.
    double SchemeMidpoint() const;

    // Binds the control to layer 0 of map, classified on field, with the statistics of the
    // whole field (computed over the regions with data when not given); fills the legend
    // preview and the grid from the layer's renderer as it is, without reclassifying.
    // Returns the statistics used.
    MapStatistics MapSource(MapControl *map, const QString &field,
                            std::optional<MapStatistics> statistics = std::nullopt);
    // The renderer's breaks 0 .. BreakCount - 1; none without a renderer.
    std::optional<QList<double>> GetClasses() const;
    // Shows the renderer's number of classes in the class box ("<3" below 3).
    void SetActiveClass();
    // Selects type kbType in the type box without reclassifying.
    void SetActiveClassType(int kbType);
    bool AddClassNum(int iNum);
    bool AddTypeItem(const QString &typeText, int classType);
    bool ClearClassNum();
    bool ClearType();
    bool SetGridTitle(int iIndex, const QString &sTitle);
    // Files a message under a key; keys compare without regard to case ("LESS" is "Less").
    bool AddMsg(const QString &sMsg, const QString &sKey);
    void GetDesimalsymbol();
    // Shows sMessage, or the report of error when sMessage is empty, in a message box.
    void HandleError(const QString &sTitle, int vmbsMsgType, const QString &sMessage = QString(),
                     const RunTimeError &error = RunTimeError());
    // Selected position of the type box, -1 when none.
    int CurrentClassType() const;
    // The number of classes: the selected or typed number, or the renderer's class count
    // when the box shows "<3".
    int CurrentClassNum() const;

    // The renderer the control works on (layer 0's), the grid and the parts, for the host
    // and for tests.
    std::shared_ptr<ClassBreaksRenderer> Renderer() const;
    QTableWidget *Grid() const { return m_fgStat; }
    QComboBox *ClassBox() const { return m_cmbClasses; }
    QComboBox *TypeBox() const { return m_cmbType; }
    QLineEdit *LimitBox() const { return m_txtMax; }
    QCheckBox *NoDataBox() const { return m_cbxNoData; }
    LegendWidget *Legend() const { return m_objClass; }

    // How colours are chosen: the colour dialog unless replaced (none: cancelled).
    using ColorChooser = std::function<std::optional<QColor>(const QColor &initial)>;
    void setColorChooser(ColorChooser chooser) { m_chooseColor = std::move(chooser); }

    // User actions, as the constituent controls run them.
    void cmbClasses_Click();
    void cmbType_Click();
    void cbxNoData_Click();
    void pbStart_Click();
    void pbEnd_Click();
    void objClass_SymbolClick(int layerIndex, int symbolIndex);
    void fgStat_Click(int row, int column);
    void txtMax_Commit();
    // The user chose a scheme (empty: the start-to-end ramp) or a midpoint: the classes keep
    // their limits and take the scheme's colours, or the ramp's.
    void Recolour(const QString &scheme, std::optional<double> midpoint);

signals:
    void Click();
    void DblClick();
    void KeyDown(int keyCode, int shift);
    void KeyPress(int keyAscii);
    void KeyUp(int keyCode, int shift);
    void MouseDown(int button, int shift, double x, double y);
    void MouseMove(int button, int shift, double x, double y);
    void MouseUp(int button, int shift, double x, double y);
    // The classes or their colours changed (the preview was redrawn).
    void RendererChanged();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void layOut();
    std::shared_ptr<MapLayer> layer() const;
    void reclassify();
    bool ComputeBreaks(int classType, MapColor start, MapColor end, int &breakCount);
    void refreshPreview();
    void FillGrid();
    void countClasses();
    void showClassCount(int classes);
    int requestedBreaks() const;
    QList<ClassLimits> gridLimits() const;
    QString formatLimit(double value, bool whole) const;
    QString editText(double value) const;
    double cellNumber(int row, int column) const;
    void setCell(int row, int column, const QString &text, std::optional<double> number);
    void chooseRampColor(bool start);
    std::vector<double> dataValues() const;
    void paintScheme(ClassBreaksRenderer &renderer) const;
    QString message(const QString &key) const;
    void refuse(const QString &key, double limit);

    // Properties.
    double m_maxValue = 0.0;
    double m_minValue = 0.0;
    std::int32_t m_nullValue = 0;
    QString m_formatString = QStringLiteral("##,##0.00");
    QString m_noDecFormatString = QStringLiteral("##,##0");
    int m_numDecimals = 0;
    bool m_rampColors = true;
    MapColor m_startColor = 255 + 256 * 255 + 65536 * 128; // light yellow
    MapColor m_endColor = 255;                              // red
    QString m_noDataTag = QStringLiteral("No Data");
    int m_storedClassType = 0;
    QString m_scheme;
    std::optional<double> m_midpoint;

    // State.
    MapControl *m_map = nullptr;
    QString m_field;
    MapStatistics m_statistics;
    QHash<QString, QString> m_messages; // by upper-case key
    QHash<QString, int> m_typeItems;
    QChar m_decimal = u'.';
    bool m_customJustChosen = false;
    ColorChooser m_chooseColor;

    // Constituent controls.
    QGroupBox *m_frmClasses = nullptr;
    QComboBox *m_cmbClasses = nullptr;
    QGroupBox *m_frmType = nullptr;
    QComboBox *m_cmbType = nullptr;
    QGroupBox *m_frmColor = nullptr;
    QPushButton *m_pbStart = nullptr;
    QPushButton *m_pbEnd = nullptr;
    QLabel *m_lblStart = nullptr;
    QLabel *m_lblEnd = nullptr;
    QGroupBox *m_fmeMax = nullptr;
    QLineEdit *m_txtMax = nullptr;
    NumberKeyFilter *m_maxFilter = nullptr;
    QTableWidget *m_fgStat = nullptr;
    QCheckBox *m_cbxNoData = nullptr;
    LegendWidget *m_objClass = nullptr;
};
