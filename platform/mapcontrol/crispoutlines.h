#pragma once

#include <QImage>
#include <QPainter>
#include <QSizeF>

#include <memory>

// Outlines wider than one device pixel, drawn crisp on a bitmap at the cost of one-pixel lines.
//
// Qt strokes a wide pen by building the outline of the stroke and filling it, which costs
// many times the one-pixel stroker. Here the outlines are drawn one device pixel wide onto a
// transparent image, shifted by half their extra width; the image is then widened, each empty
// pixel taking the nearest drawn pixel up to width - 1 pixels to its left and then above; and
// laid over the picture. A line of the image is then as wide as asked in both directions, in
// the colour it was drawn with, at a cost that grows with the pixels and the vertices only.
//
// Only the box around what was drawn is widened, laid over and cleared again. The image may be
// a buffer kept between pictures (the map window's redraws): it is then made once, cleared
// once, and left transparent after each picture for the next.
class CrispOutlines {
public:
    // Whether the painter's target allows it: a bitmap drawn without rotation or stretching.
    static bool available(const QPainter &target);

    // area: the size of the picture in the target painter's units; width: the outline width
    // in device pixels (at least 2); buffer: an image kept by the caller between pictures, in
    // the state this class leaves it (or null: an image of its own).
    CrispOutlines(const QPainter &target, const QSizeF &area, int width, QImage *buffer = nullptr);
    CrispOutlines(const CrispOutlines &) = delete;
    CrispOutlines &operator=(const CrispOutlines &) = delete;

    // Strokes the path (target units) with the pen, which must be cosmetic and one pixel wide.
    void stroke(const QPainterPath &path, const QPen &pen);
    // Widens what was drawn and lays it over the target; the painter is closed.
    void compose(QPainter &target);

private:
    void widen(const QRect &box);

    int m_width;
    QPoint m_origin;            // device pixel of the image's top left corner
    double m_targetRatio = 1.0; // device pixel ratio of the target
    QImage m_own;
    QImage *m_image = nullptr;  // m_own or the caller's buffer
    QRect m_area;               // the part of the image this picture uses
    QRectF m_drawn;             // image pixels drawn on, before widening
    std::unique_ptr<QPainter> m_painter;
};
