#include "platform/mapcontrol/crispoutlines.h"

#include <QPaintEngine>

#include <cmath>

bool CrispOutlines::available(const QPainter &target)
{
    const QTransform t = target.deviceTransform();
    return target.paintEngine() && target.paintEngine()->type() == QPaintEngine::Raster &&
           t.type() <= QTransform::TxScale && t.m11() > 0.0 && t.m11() == t.m22();
}

CrispOutlines::CrispOutlines(const QPainter &target, const QSizeF &area, int width)
    : m_width(width)
{
    const QTransform device = target.deviceTransform();
    const double scale = device.m11();
    // The image starts at the device pixel where the area starts; what lies between that
    // pixel's corner and the area's corner is kept in the image painter's transform.
    m_origin = QPoint(int(std::floor(device.dx())), int(std::floor(device.dy())));
    m_targetRatio = target.device() ? target.device()->devicePixelRatio() : 1.0;
    m_image = QImage(int(std::ceil(area.width() * scale)) + 1,
                     int(std::ceil(area.height() * scale)) + 1,
                     QImage::Format_ARGB32_Premultiplied);
    m_image.fill(0);
    m_painter = std::make_unique<QPainter>(&m_image);
    // Shifted up and left by half the extra width, so that widening to the right and down
    // centres the line where it belongs.
    const double shift = (width - 1) / 2.0;
    m_painter->setTransform(QTransform(scale, 0.0, 0.0, scale, device.dx() - m_origin.x() - shift,
                                       device.dy() - m_origin.y() - shift));
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
    // Laid pixel for pixel onto the device: without a world transform the painter's units
    // are the device's pixels divided by its pixel ratio.
    m_image.setDevicePixelRatio(m_targetRatio);
    target.save();
    target.setWorldTransform(QTransform());
    target.drawImage(QPointF(m_origin) / m_targetRatio, m_image);
    target.restore();
}
