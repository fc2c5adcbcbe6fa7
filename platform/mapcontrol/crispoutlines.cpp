#include "platform/mapcontrol/crispoutlines.h"

#include <QPaintEngine>

#include <cmath>

namespace {

bool whole(double v)
{
    return std::abs(v - std::round(v)) < 1e-6;
}

} // namespace

bool CrispOutlines::available(const QPainter &target)
{
    const QTransform t = target.deviceTransform();
    return target.paintEngine() && target.paintEngine()->type() == QPaintEngine::Raster &&
           t.type() <= QTransform::TxScale && t.m11() > 0.0 && t.m11() == t.m22() &&
           whole(t.dx()) && whole(t.dy());
}

CrispOutlines::CrispOutlines(const QPainter &target, const QSizeF &area, int width)
    : m_width(width), m_deviceScale(target.deviceTransform().m11())
{
    m_image = QImage(int(std::ceil(area.width() * m_deviceScale)),
                     int(std::ceil(area.height() * m_deviceScale)),
                     QImage::Format_ARGB32_Premultiplied);
    m_image.fill(0);
    m_painter = std::make_unique<QPainter>(&m_image);
    // Shifted up and left by half the extra width, so that widening to the right and down
    // centres the line where it belongs.
    const double shift = (width - 1) / 2.0;
    m_painter->setTransform(
        QTransform(m_deviceScale, 0.0, 0.0, m_deviceScale, -shift, -shift));
    m_painter->setRenderHint(QPainter::Antialiasing, false);
}

void CrispOutlines::widen()
{
    const int w = m_image.width(), h = m_image.height();
    // Rows: from the right, so that every pixel read is still as drawn.
    for (int y = 0; y < h; ++y) {
        auto *row = reinterpret_cast<quint32 *>(m_image.scanLine(y));
        for (int x = w - 1; x > 0; --x) {
            if (row[x])
                continue;
            for (int k = 1; k < m_width && k <= x; ++k)
                if (row[x - k]) {
                    row[x] = row[x - k];
                    break;
                }
        }
    }
    // Columns: from the bottom, a row at a time.
    const qsizetype stride = m_image.bytesPerLine() / 4;
    auto *bits = reinterpret_cast<quint32 *>(m_image.bits());
    for (int y = h - 1; y > 0; --y) {
        quint32 *row = bits + y * stride;
        for (int k = 1; k < m_width && k <= y; ++k) {
            const quint32 *above = bits + (y - k) * stride;
            for (int x = 0; x < w; ++x)
                if (!row[x])
                    row[x] = above[x];
        }
    }
}

void CrispOutlines::compose(QPainter &target)
{
    m_painter->end();
    m_painter.reset();
    widen();
    m_image.setDevicePixelRatio(m_deviceScale);
    target.save();
    target.setRenderHint(QPainter::SmoothPixmapTransform, false);
    target.drawImage(QPointF(0.0, 0.0), m_image);
    target.restore();
}
