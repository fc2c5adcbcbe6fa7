#pragma once

#include "contracts/mapcontrol.h"

#include <QImage>
#include <QPointer>
#include <QWidget>

class MapPainter;
class QEventLoop;
class QRubberBand;

// The map control: shows shapefile layers, lets the user drag rectangles and pan, converts
// between pixels and map points, and exports and prints its picture. All painting goes
// through MapPainter, so the screen, exported images and printouts are the same picture.
class MapWidget : public QWidget, public MapControl {
    Q_OBJECT
public:
    explicit MapWidget(QWidget *parent = nullptr);
    ~MapWidget() override;

    int LayerCount() const override { return int(m_layers.size()); }
    std::shared_ptr<MapLayer> Layer(int index) const override;
    void AddLayer(std::shared_ptr<MapLayer> layer) override;
    std::shared_ptr<MapLayer> AddShapefileLayer(const QString &path,
                                                QString *error = nullptr) override;
    void RemoveLayer(int index) override;
    void ClearLayers() override;

    MapRectangle Extent() const override;
    void SetExtent(const MapRectangle &extent) override;
    MapRectangle FullExtent() const override;
    void Refresh() override;

    MapPoint ToMapPoint(double x, double y) const override;
    QPointF FromMapPoint(const MapPoint &p) const override;
    QSize ControlSize() const override { return size(); }

    int MousePointer() const override { return m_pointer; }
    void SetMousePointer(int pointer) override;

    MapRectangle TrackRectangle() override;
    void Pan() override;

    void DrawShape(const MapShape &shape, const MapSymbol &symbol) override;
    void DrawShapes(const QList<MapShape> &shapes, const MapSymbol &symbol) override;
    void FlashShape(const MapShape &shape, int count) override;

    void PaintMap(QPainter &painter, double scaleFactor) override;
    bool ExportMap(MapExportType type, const QString &path, double scaleFactor) override;
    bool PrintMap(QPrinter &printer, const QString &documentName, bool landscape) override;
    QString LastError() const override { return m_lastError; }
    void SetLabels(MapLabels labels) override;
    LabelPlacement LastLabelPlacement() const override { return m_placement; }
    void SetOutlineAuto(bool on) override;

    // Background colour of the map (white unless set).
    void setBackground(const QColor &color);
    // The Qt cursor shown for a pointer number.
    static QCursor cursorFor(int pointer);

signals:
    void BeforeLayerDraw(int index);
    void AfterLayerDraw(int index);
    // button: 1 left, 2 right, 4 middle; shift: 1 Shift, 2 Ctrl, 4 Alt; x, y in pixels.
    void MouseDown(int button, int shift, double x, double y);
    void MouseUp(int button, int shift, double x, double y);
    void MouseMove(int button, int shift, double x, double y);
    void DblClick();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    enum class Tracking { None, Rectangle, Pan };
    void renderCache();
    void runTracking(Tracking kind);
    void paintWith(MapPainter &painter, QPainter &target, double textScale = 1.0);
    void wait(int ms);

    QList<std::shared_ptr<MapLayer>> m_layers;
    MapRectangle m_requested; // the rectangle last asked for; empty: the full extent
    QColor m_background = Qt::white;
    int m_pointer = DefaultPointer;
    QImage m_cache;
    QImage m_outlineBuffer; // for the wide outlines of the redraws
    bool m_dirty = true;
    MapPainter *m_active = nullptr;
    bool m_buttonDown = false;
    QPoint m_pressPos;
    QPoint m_lastPos;
    Tracking m_tracking = Tracking::None;
    QEventLoop *m_trackLoop = nullptr;
    QRubberBand *m_rubberBand = nullptr;
    QPoint m_panOffset;
    MapShape m_flash;
    bool m_flashOn = false;
    QString m_lastError;
    MapLabels m_labels;
    LabelPlacement m_placement; // of the last painting
    bool m_outlineAuto = false;
};
