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
class CrispOutlines {
public:
    // Whether the painter's target allows it: a bitmap drawn without rotation or stretching.
    static bool available(const QPainter &target);

    // area: the size of the picture in the target painter's units; width: the outline width
    // in device pixels (at least 2).
    CrispOutlines(const QPainter &target, const QSizeF &area, int width);

    // A painter in the target's units onto the image: draw the outlines with cosmetic pens of
    // width 1, without antialiasing.
    QPainter &painter() { return *m_painter; }
    // Widens what was drawn and lays it over the target; the painter is closed.
    void compose(QPainter &target);

private:
    void widen();

    int m_width;
    QPoint m_origin;            // device pixel of the image's top left corner
    double m_targetRatio = 1.0; // device pixel ratio of the target
    QImage m_image;
    std::unique_ptr<QPainter> m_painter;
};
