#include "platform/wmf/wmfgenerator.h"

#include "platform/wmf/wmfpaintengine.h"

WmfGenerator::WmfGenerator() : m_engine(std::make_unique<WmfPaintEngine>()) {}

WmfGenerator::~WmfGenerator() = default;

QPaintEngine *WmfGenerator::paintEngine() const { return m_engine.get(); }

int WmfGenerator::metric(PaintDeviceMetric metric) const
{
    switch (metric) {
    case PdmWidth:
        return m_size.width();
    case PdmHeight:
        return m_size.height();
    case PdmWidthMM:
        return qRound(m_size.width() * 25.4 / m_resolution);
    case PdmHeightMM:
        return qRound(m_size.height() * 25.4 / m_resolution);
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return m_resolution;
    case PdmNumColors:
        return 0x7fffffff;
    case PdmDepth:
        return 32;
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return int(devicePixelRatioFScale());
    default:
        return QPaintDevice::metric(metric);
    }
}
