#include "bandwise/applybreaks.h"

#include <stdexcept>

namespace {

// Symbols added by SetBreakCount take the outlines of the no-data symbol, so that all classes
// are drawn alike.
void resize(ClassBreaksRenderer &renderer, int breakCount) {
    const MapSymbol model = renderer.Symbol(0);
    const int before = renderer.SymbolCount();
    renderer.SetBreakCount(breakCount);
    for (int i = before; i < renderer.SymbolCount(); ++i) {
        MapSymbol &symbol = renderer.Symbol(i);
        symbol.Outline = model.Outline;
        symbol.OutlineColor = model.OutlineColor;
        symbol.Size = model.Size;
        symbol.Style = model.Style;
    }
    for (int i = 0; i < renderer.BreakCount(); ++i)
        renderer.SetBreak(i, 0.0);
}

} // namespace

std::shared_ptr<ClassBreaksRenderer> ApplyBreaks(const ClassBreaksRenderer &current,
                                                 const BreakColours &colours, int breakCount,
                                                 const QList<double> &breaks,
                                                 std::int32_t nullValue, QString *error) {
    try {
        if (breakCount < 0)
            throw std::out_of_range("negative break count");
        std::shared_ptr<ClassBreaksRenderer> renderer = current.Clone();
        const MapColor noData = renderer->Symbol(0).Color;
        QList<MapColor> classColours;
        if (colours.ramp) {
            resize(*renderer, breakCount);
            renderer->RampColors(colours.start, colours.end);
            for (int h = 0; h <= breakCount; ++h)
                classColours.append(renderer->Symbol(h).Color);
        } else {
            for (int h = 1; h <= renderer->BreakCount(); ++h)
                classColours.append(renderer->Symbol(h).Color);
        }
        resize(*renderer, breakCount + 1);
        renderer->SetBreak(0, double(nullValue) + 1);
        for (int h = 1; h <= breaks.size() && h < renderer->BreakCount(); ++h)
            renderer->SetBreak(h, breaks.at(h - 1));
        renderer->Symbol(0).Color = noData;
        if (classColours.size() < renderer->BreakCount())
            throw std::out_of_range("fewer class colours than classes");
        for (int h = 1; h <= renderer->BreakCount(); ++h)
            renderer->Symbol(h).Color = classColours.at(h - 1);
        return renderer;
    } catch (const std::exception &e) {
        if (error)
            *error = QString::fromUtf8(e.what());
        return nullptr;
    }
}
