#pragma once

#include "platform/wmf/wmfrecorder.h"

#include <QBrush>
#include <QFont>
#include <QPaintEngine>
#include <QPen>
#include <QRectF>
#include <QTransform>

#include <array>
#include <functional>
#include <optional>

class WmfGenerator;

// Turns QPainter calls into metafile records. The engine applies the painter's transform
// itself and scales device pixels to logical units, which it rounds to the 16-bit integers
// of the format; shapes reaching outside the picture are cut to it first, so no coordinate
// overflows and readers that size a picture by its contents see the picture's own bounds. Pens, brushes and fonts become objects that are created on change, selected
// and the previous one deleted, so at most a handful of object slots are ever in use.
//
// What a metafile cannot hold is approximated: colours are opaque (fully transparent means
// none), gradients and textures fill with one colour, and a clip that is not a rectangle
// clips to its bounding rectangle.
class WmfPaintEngine : public QPaintEngine {
public:
    WmfPaintEngine();

    bool begin(QPaintDevice *device) override;
    bool end() override;
    void updateState(const QPaintEngineState &state) override;
    Type type() const override { return User; }

    void drawPath(const QPainterPath &path) override;
    void drawPolygon(const QPointF *points, int count, PolygonDrawMode mode) override;
    void drawRects(const QRectF *rects, int count) override;
    void drawEllipse(const QRectF &rect) override;
    void drawLines(const QLineF *lines, int count) override;
    void drawPoints(const QPointF *points, int count) override;
    void drawPixmap(const QRectF &rect, const QPixmap &pixmap, const QRectF &source) override;
    void drawImage(const QRectF &rect, const QImage &image, const QRectF &source,
                   Qt::ImageConversionFlags flags) override;
    void drawTextItem(const QPointF &p, const QTextItem &textItem) override;

private:
    struct Selected {
        int slot = -1;
        std::array<int, 3> key{}; // style, width or hatch, colour
    };

    void fillRings(const QList<QPolygonF> &rings, Qt::FillRule rule);
    void strokeLines(const QList<QPolygonF> &lines);
    void usePen(bool stroke);
    void useBrush(bool fill);
    void useFont(const WmfFont &font);
    void select(Selected &selected, const std::array<int, 3> &key,
                const std::function<int()> &create);
    void reselectAfterRestore();
    QList<QPoint> toPoints(const QPolygonF &units) const;
    void setFillMode(Qt::FillRule rule);
    void updateClip();
    bool axisAligned() const;
    bool writeOut(const QByteArray &data);

    WmfGenerator *m_generator = nullptr;
    WmfRecorder m_recorder;
    double m_unitsPerPixel = 1;
    QRect m_window;
    QRectF m_box;
    QRectF m_reach; // how far rings and lines may reach before they are cut
    QTransform m_transform;
    QTransform m_toUnits;
    QPen m_pen;
    QBrush m_brush;
    Selected m_selectedPen, m_selectedBrush;
    int m_fontSlot = -1;
    WmfFont m_font;
    int m_fillMode = -1;
    int m_textAlign = -1;
    std::optional<QRgb> m_textColour;
    std::optional<QRect> m_clip;
};
