#include "platform/mapcontrol/mapwidget.h"

#include <QBitmap>
#include <QCursor>
#include <QPainter>
#include <QPixmap>

namespace {

// A magnifying glass with a plus or minus sign; the hot spot is the centre of the lens.
QCursor magnifier(bool plus)
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::white, 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(19, 19), QPointF(28, 28));
    p.drawEllipse(QPointF(12, 12), 8, 8);
    p.setPen(QPen(Qt::black, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(19, 19), QPointF(28, 28));
    p.setPen(QPen(Qt::black, 1.6));
    p.setBrush(QColor(255, 255, 255, 200));
    p.drawEllipse(QPointF(12, 12), 8, 8);
    p.setPen(QPen(Qt::black, 2));
    p.drawLine(QPointF(8, 12), QPointF(16, 12));
    if (plus)
        p.drawLine(QPointF(12, 8), QPointF(12, 16));
    p.end();
    return QCursor(pm, 12, 12);
}

} // namespace

QCursor MapWidget::cursorFor(int pointer)
{
    switch (pointer) {
    case ArrowPointer: return Qt::ArrowCursor;
    case CrossPointer: return Qt::CrossCursor;
    case 3: return Qt::IBeamCursor;
    case 5: return Qt::SizeAllCursor;
    case 6: return Qt::SizeBDiagCursor;
    case 7: return Qt::SizeVerCursor;
    case 8: return Qt::SizeFDiagCursor;
    case 9: return Qt::SizeHorCursor;
    case 10: return Qt::UpArrowCursor;
    case WaitPointer: return Qt::WaitCursor;
    case 12: return Qt::ForbiddenCursor;
    case 13: return Qt::BusyCursor;
    case 14: return Qt::WhatsThisCursor;
    case ZoomInPointer: return magnifier(true);
    case ZoomOutPointer: return magnifier(false);
    case PanPointer: return Qt::OpenHandCursor;
    case PanningPointer: return Qt::ClosedHandCursor;
    case InfoPointer: return Qt::PointingHandCursor;
    default: return Qt::ArrowCursor;
    }
}

void MapWidget::SetMousePointer(int pointer)
{
    m_pointer = pointer;
    if (pointer == DefaultPointer)
        unsetCursor();
    else
        setCursor(cursorFor(pointer));
}
