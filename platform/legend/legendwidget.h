#pragma once

#include "contracts/legendcontrol.h"
#include "platform/legend/legendsettings.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class LegendPainter;

// The legend control: explains the layers of a map control. Painting goes through
// LegendPainter, so the widget, the saved legend files and the legend text agree.
class LegendWidget : public QWidget, public LegendControl {
    Q_OBJECT
public:
    explicit LegendWidget(QWidget *parent = nullptr);
    ~LegendWidget() override;

    void setMapSource(MapControl *map) override;
    void LoadLegend() override;
    void Refresh() override;

    void setStatistics(const MapStatistics &statistics) override;
    void setMaximum(double value) override;
    void setMinimum(double value) override;
    void setFieldName(const QString &field) override;

    void setLayerTitle(int layerIndex, const QString &title) override;
    void setLayerCircles(int layerIndex, bool circles) override;
    void setLayerShown(int layerIndex, bool shown) override;
    void setLayerExpanded(int layerIndex, bool expanded) override;

    void setNumberFormat(const QString &format) override;
    void setNoDecimalFormat(const QString &format) override;
    void setNumDecimals(int decimals) override;

    void setNoDataText(const QString &text) override;
    void setShowNoData(bool show) override;
    void setLargestSymbolText(const QString &text) override;
    void setSmallestSymbolText(const QString &text) override;
    void setCircleSymbols(double largestDiameter, double smallestDiameter,
                          MapColor color) override;

    void setShowFieldName(bool show) override;
    void setShowCounts(bool show) override;
    void setShowFrame(bool show) override;

    bool SaveLegend(const QString &path, int flags) override;
    bool SaveLegendImage(const QString &path, int flags) override;
    QString LegendText() const override;
    QSize LegendSize() const override;
    QSize LegendImageSize() const override;
    void PaintLegend(QPainter &painter) override;
    void PaintLegendImage(QPainter &painter) override;
    QString LastError() const override { return m_lastError; }

    const LegendSettings &settings() const { return m_settings; }
    // The legend's rows as it paints them now (for pictures that show the legend otherwise,
    // such as the web page's legend in HTML).
    const LegendPainter &layout() const { return painter(); }
    QSize sizeHint() const override;
    // The whole legend: placed in a scroll area, the legend is never cut off but scrolls.
    QSize minimumSizeHint() const override;

signals:
    void SymbolClicked(int layerIndex, int symbolIndex);
    void EntryActivated(int layerIndex);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    LegendPainter &painter() const;
    void changed();
    bool saveImage(const QImage &image, const QString &path);

    QPointer<QObject> m_mapObject; // guards m_map when the map control is a QObject
    bool m_watchMap = false;
    MapControl *m_map = nullptr;
    LegendSettings m_settings;
    mutable std::unique_ptr<LegendPainter> m_painter; // layout of the current state
    QString m_lastError;
};
