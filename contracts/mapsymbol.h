#pragma once

#include <QBrush>
#include <QColor>

#include <cstdint>

// A colour of the system: red + 256 * green + 65536 * blue, top byte 0.
using MapColor = std::uint32_t;

inline QColor toQColor(MapColor c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

inline MapColor fromQColor(const QColor &c)
{
    return MapColor(c.red()) | (MapColor(c.green()) << 8) | (MapColor(c.blue()) << 16);
}

// Fill styles of a symbol. 0 fills solidly, 1 leaves the area unfilled (only the outline
// shows); the others are hatchings.
enum MapFillStyle : int {
    SolidFill = 0,
    TransparentFill = 1,
    HorizontalFill = 2,
    VerticalFill = 3,
    UpwardDiagonalFill = 4,
    DownwardDiagonalFill = 5,
    CrossFill = 6,
    DiagonalCrossFill = 7,
};

// How one shape is drawn. For areas Color and Style give the fill and Size is the outline
// width; for lines Color and Size are the line's colour and width; for points Color is the
// marker's colour and Size its diameter. Widths and sizes are in device pixels of the
// picture drawn at scale 1 (an export enlarged by a factor widens them by that factor).
struct MapSymbol {
    MapColor Color = 0x808080;
    int Style = SolidFill;
    double Size = 1.0;
    bool Outline = true;
    MapColor OutlineColor = 0;

    bool operator==(const MapSymbol &) const = default;
};

// The Qt brush of a symbol's fill (no brush for an unfilled symbol).
inline QBrush toQBrush(const MapSymbol &symbol)
{
    static const Qt::BrushStyle styles[] = {
        Qt::SolidPattern, Qt::NoBrush,      Qt::HorPattern,   Qt::VerPattern,
        Qt::BDiagPattern, Qt::FDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
    const int s = symbol.Style < 0 || symbol.Style > 7 ? 0 : symbol.Style;
    return QBrush(toQColor(symbol.Color), styles[s]);
}
