#pragma once

#include "contracts/mapsymbol.h"

#include <QList>
#include <QString>

#include <memory>

// The class-breaks renderer of a layer: BreakCount break values and BreakCount + 1 symbols.
// A value at or below Break(0) takes Symbol(0); a value above Break(i - 1) and at or below
// Break(i) takes Symbol(i); a value above the last break takes the last symbol. A NULL value
// (no number) takes Symbol(0).
//
// Layers hold their renderer by shared pointer, so a change to a renderer taken from a layer
// shows at the layer's next redraw.
class ClassBreaksRenderer {
public:
    ClassBreaksRenderer();

    const QString &Field() const { return m_field; }
    void SetField(const QString &field) { m_field = field; }

    int BreakCount() const { return int(m_breaks.size()); }
    // Resizes the breaks (new ones 0) and the symbols (new ones default) to n and n + 1.
    void SetBreakCount(int n);

    double Break(int i) const;
    void SetBreak(int i, double value);

    // Symbol(i) for i = 0 .. BreakCount(); an index outside raises std::out_of_range.
    MapSymbol &Symbol(int i);
    const MapSymbol &Symbol(int i) const;
    int SymbolCount() const { return int(m_symbols.size()); }

    // Spreads the colours evenly from start to end over all symbols (Symbol(0) gets start,
    // the last symbol end), interpolating red, green and blue.
    void RampColors(MapColor start, MapColor end);

    // The index of the symbol that draws the value; isNull for a NULL cell.
    int SymbolIndex(double value, bool isNull = false) const;

    std::shared_ptr<ClassBreaksRenderer> Clone() const;

private:
    QString m_field;
    QList<double> m_breaks;
    QList<MapSymbol> m_symbols;
};
