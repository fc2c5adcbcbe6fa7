#include "platform/wmf/wmfgenerator.h"

#include "platform/wmf/wmfpaintengine.h"

WmfGenerator::WmfGenerator() : m_engine(std::make_unique<WmfPaintEngine>()) {}

WmfGenerator::~WmfGenerator() = default;

QPaintEngine *WmfGenerator::paintEngine() const { return m_engine.get(); }

int PictureDeviceMetric(QPaintDevice::PaintDeviceMetric metric, const QSize &size, int dpi)
{
    switch (metric) {
    case QPaintDevice::PdmWidth:
        return size.width();
    case QPaintDevice::PdmHeight:
        return size.height();
    case QPaintDevice::PdmWidthMM:
        return qRound(size.width() * 25.4 / dpi);
    case QPaintDevice::PdmHeightMM:
        return qRound(size.height() * 25.4 / dpi);
    case QPaintDevice::PdmDpiX:
    case QPaintDevice::PdmDpiY:
    case QPaintDevice::PdmPhysicalDpiX:
    case QPaintDevice::PdmPhysicalDpiY:
        return dpi;
    case QPaintDevice::PdmNumColors:
        return 0x7fffffff;
    case QPaintDevice::PdmDepth:
        return 32;
    case QPaintDevice::PdmDevicePixelRatio:
        return 1;
    case QPaintDevice::PdmDevicePixelRatioScaled:
        return int(QPaintDevice::devicePixelRatioFScale());
    default:
        return -1;
    }
}

int WmfGenerator::metric(PaintDeviceMetric metric) const
{
    const int value = PictureDeviceMetric(metric, m_size, m_resolution);
    return value >= 0 ? value : QPaintDevice::metric(metric);
}
