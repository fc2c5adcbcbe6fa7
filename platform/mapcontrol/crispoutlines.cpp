#include "platform/mapcontrol/crispoutlines.h"

#include <QPaintEngine>
#include <QPainterPath>

#include <cmath>
#include <cstring>

bool CrispOutlines::available(const QPainter &target)
{
    const QTransform t = target.deviceTransform();
    return target.paintEngine() && target.paintEngine()->type() == QPaintEngine::Raster &&
           t.type() <= QTransform::TxScale && t.m11() > 0.0 && t.m11() == t.m22();
}

CrispOutlines::CrispOutlines(const QPainter &target, const QSizeF &area, int width,
                             QImage *buffer)
    : m_width(width)
{
    const QTransform device = target.deviceTransform();
    const double scale = device.m11();
    // The image starts at the device pixel where the area starts; what lies between that
    // pixel's corner and the area's corner is kept in the image painter's transform.
    m_origin = QPoint(int(std::floor(device.dx())), int(std::floor(device.dy())));
    m_targetRatio = target.device() ? target.device()->devicePixelRatio() : 1.0;
    const QSize size(int(std::ceil(area.width() * scale)) + 1,
                     int(std::ceil(area.height() * scale)) + 1);
    m_image = buffer ? buffer : &m_own;
    if (m_image->width() < size.width() || m_image->height() < size.height() ||
        m_image->format() != QImage::Format_ARGB32_Premultiplied) {
        *m_image = QImage(size, QImage::Format_ARGB32_Premultiplied);
        m_image->fill(0);
    }
    // Painted pixel for pixel, whatever ratio an earlier picture laid it over with.
    m_image->setDevicePixelRatio(1.0);
    m_area = QRect(QPoint(0, 0), size);
    m_painter = std::make_unique<QPainter>(m_image);
    m_painter->setClipRect(m_area);
    // Shifted up and left by half the extra width, so that widening to the right and down
    // centres the line where it belongs.
    const double shift = (width - 1) / 2.0;
    m_painter->setTransform(QTransform(scale, 0.0, 0.0, scale, device.dx() - m_origin.x() - shift,
                                       device.dy() - m_origin.y() - shift));
    m_painter->setRenderHint(QPainter::Antialiasing, false);
}

void CrispOutlines::stroke(const QPainterPath &path, const QPen &pen)
{
    m_drawn |= m_painter->transform().mapRect(path.controlPointRect());
    m_painter->strokePath(path, pen);
}

void CrispOutlines::widen(const QRect &box)
{
    // Rows: from the left, each empty pixel taking the last drawn one while it is near enough.
    for (int y = box.top(); y <= box.bottom(); ++y) {
        auto *row = reinterpret_cast<quint32 *>(m_image->scanLine(y));
        quint32 last = 0;
        int reach = 0;
        for (int x = box.left(); x <= box.right(); ++x) {
            if (row[x]) {
                last = row[x];
                reach = m_width - 1;
            } else if (reach > 0) {
                row[x] = last;
                --reach;
            }
        }
    }
    // Columns: from the bottom, a row at a time.
    const qsizetype stride = m_image->bytesPerLine() / 4;
    auto *bits = reinterpret_cast<quint32 *>(m_image->bits());
    for (int y = box.bottom(); y > box.top(); --y) {
        quint32 *row = bits + y * stride;
        for (int k = 1; k < m_width && k <= y - box.top(); ++k) {
            const quint32 *above = bits + (y - k) * stride;
            for (int x = box.left(); x <= box.right(); ++x)
                row[x] = row[x] ? row[x] : above[x];
        }
    }
}

void CrispOutlines::compose(QPainter &target)
{
    m_painter->end();
    m_painter.reset();
    // The drawn pixels (a line may touch the pixel beside its control points), and the
    // widening's reach to the right and down.
    const QRect box = m_drawn.toAlignedRect()
                          .adjusted(-1, -1, m_width + 1, m_width + 1)
                          .intersected(m_area);
    if (box.isEmpty())
        return;
    widen(box);
    // Laid pixel for pixel onto the device: without a world transform the painter's units
    // are the device's pixels divided by its pixel ratio.
    m_image->setDevicePixelRatio(m_targetRatio);
    target.save();
    target.setWorldTransform(QTransform());
    target.drawImage(QPointF(m_origin + box.topLeft()) / m_targetRatio, *m_image, QRectF(box));
    target.restore();
    // Transparent again for the next picture.
    for (int y = box.top(); y <= box.bottom(); ++y)
        std::memset(m_image->scanLine(y) + box.left() * 4, 0, std::size_t(box.width()) * 4);
}
