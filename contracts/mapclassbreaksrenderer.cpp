#include "contracts/mapclassbreaksrenderer.h"

#include <cmath>
#include <stdexcept>

ClassBreaksRenderer::ClassBreaksRenderer() : m_symbols(1) {}

void ClassBreaksRenderer::SetBreakCount(int n)
{
    n = std::max(n, 0);
    m_breaks.resize(n, 0.0);
    m_symbols.resize(n + 1);
}

double ClassBreaksRenderer::Break(int i) const
{
    if (i < 0 || i >= m_breaks.size())
        throw std::out_of_range("renderer break index out of range");
    return m_breaks[i];
}

void ClassBreaksRenderer::SetBreak(int i, double value)
{
    if (i < 0 || i >= m_breaks.size())
        throw std::out_of_range("renderer break index out of range");
    m_breaks[i] = value;
}

MapSymbol &ClassBreaksRenderer::Symbol(int i)
{
    if (i < 0 || i >= m_symbols.size())
        throw std::out_of_range("renderer symbol index out of range");
    return m_symbols[i];
}

const MapSymbol &ClassBreaksRenderer::Symbol(int i) const
{
    if (i < 0 || i >= m_symbols.size())
        throw std::out_of_range("renderer symbol index out of range");
    return m_symbols[i];
}

void ClassBreaksRenderer::RampColors(MapColor start, MapColor end)
{
    const int n = int(m_symbols.size());
    auto channel = [](MapColor c, int shift) { return double((c >> shift) & 0xFF); };
    for (int i = 0; i < n; ++i) {
        const double t = n > 1 ? double(i) / double(n - 1) : 0.0;
        MapColor c = 0;
        for (int shift : {0, 8, 16}) {
            const double v = channel(start, shift) + t * (channel(end, shift) - channel(start, shift));
            c |= MapColor(std::lround(v)) << shift;
        }
        m_symbols[i].Color = c;
    }
}

int ClassBreaksRenderer::SymbolIndex(double value, bool isNull) const
{
    if (isNull || std::isnan(value) || m_breaks.isEmpty())
        return 0;
    // Breaks are normally ascending; a linear walk keeps the rule exact for any order:
    // the first break the value does not exceed decides.
    for (int i = 0; i < m_breaks.size(); ++i)
        if (value <= m_breaks[i])
            return i;
    return int(m_breaks.size());
}

std::shared_ptr<ClassBreaksRenderer> ClassBreaksRenderer::Clone() const
{
    return std::make_shared<ClassBreaksRenderer>(*this);
}
