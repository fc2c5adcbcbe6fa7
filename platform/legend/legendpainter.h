#pragma once

#include "platform/legend/legendsettings.h"

#include <QFont>
#include <QList>
#include <QRectF>
#include <QSizeF>

class MapControl;
class QPainter;

// Lays out and paints the legend of a map onto any QPainter (widget, image, metafile). The
// layout is computed once per painter object from the map's layers as they are now.
class LegendPainter {
public:
    // One row of an entry: a symbol (patch, circle or line) and its texts.
    struct Row {
        enum class Kind { Title, Field, Patch, Circle } kind = Kind::Title;
        int layerIndex = -1;
        int symbolIndex = -1; // the renderer's symbol index; -1 for none
        MapSymbol symbol;
        int layerShape = 0;     // shape kind of the layer (patch drawn as area, line or point)
        double diameter = 0.0;  // circles: pixels
        QString label;          // title, field name, circle text or single range text
        QString lower, upper;   // class ranges, aligned in two columns
        QString count;
        QRectF symbolRect;      // where the symbol is drawn
        double top = 0.0, height = 0.0;
    };

    LegendPainter(const MapControl *map, const LegendSettings &settings);

    QSizeF size() const { return m_size; }
    const QList<Row> &rows() const { return m_rows; }
    void paint(QPainter &painter) const;

    // The legend image: the symbols of the first entry with classes (or circles) side by side.
    QSizeF imageSize() const;
    void paintImage(QPainter &painter) const;

    // The legend as text, lines ended by CR LF.
    QString text() const;

    // The row whose symbol lies under the point, or nullptr.
    const Row *symbolAt(const QPointF &p) const;

private:
    void addLayer(int index);
    void addClasses(int index, const class ClassBreaksRenderer &renderer);
    void addCircles(int index);
    void layout();
    void drawSymbol(QPainter &painter, const Row &row, const QRectF &box) const;
    QList<Row> imageRows() const;

    const MapControl *m_map;
    const LegendSettings &m_settings;
    QFont m_titleFont;
    QFont m_textFont;
    QList<Row> m_rows;
    QSizeF m_size;
    double m_lowerWidth = 0.0;
    double m_upperWidth = 0.0;
    double m_dashWidth = 0.0;
    double m_symbolWidth = 0.0;
};
