#include "platform/mapcontrol/mapwidget.h"

#include <QEventLoop>
#include <QMouseEvent>
#include <QRubberBand>

namespace {

int vbButton(Qt::MouseButton b)
{
    switch (b) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}

int vbButtons(Qt::MouseButtons b)
{
    return (b & Qt::LeftButton ? 1 : 0) | (b & Qt::RightButton ? 2 : 0) |
           (b & Qt::MiddleButton ? 4 : 0);
}

int vbShift(Qt::KeyboardModifiers m)
{
    return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) |
           (m & Qt::AltModifier ? 4 : 0);
}

} // namespace

void MapWidget::mousePressEvent(QMouseEvent *event)
{
    m_buttonDown = true;
    m_pressPos = m_lastPos = event->position().toPoint();
    emit MouseDown(vbButton(event->button()), vbShift(event->modifiers()),
                   event->position().x(), event->position().y());
}

void MapWidget::mouseMoveEvent(QMouseEvent *event)
{
    m_lastPos = event->position().toPoint();
    if (m_tracking == Tracking::Rectangle && m_rubberBand) {
        m_rubberBand->setGeometry(QRect(m_pressPos, m_lastPos).normalized());
    } else if (m_tracking == Tracking::Pan) {
        m_panOffset = m_lastPos - m_pressPos;
        update();
    }
    emit MouseMove(vbButtons(event->buttons()), vbShift(event->modifiers()),
                   event->position().x(), event->position().y());
}

void MapWidget::mouseReleaseEvent(QMouseEvent *event)
{
    m_buttonDown = false;
    m_lastPos = event->position().toPoint();
    if (m_trackLoop)
        m_trackLoop->quit();
    emit MouseUp(vbButton(event->button()), vbShift(event->modifiers()),
                 event->position().x(), event->position().y());
}

void MapWidget::mouseDoubleClickEvent(QMouseEvent *event)
{
    // A double click is also a press; the handlers see it as one.
    mousePressEvent(event);
    emit DblClick();
}

// Runs a local event loop until the mouse button that started it is released. It is called
// from a mouse-down handler, so that the handler receives the result on return, as callers
// of rectangle tracking and panning expect.
void MapWidget::runTracking(Tracking kind)
{
    if (!m_buttonDown || m_trackLoop)
        return;
    QPointer<MapWidget> guard(this);
    QEventLoop loop;
    m_trackLoop = &loop;
    m_tracking = kind;
    loop.exec();
    if (!guard)
        return;
    m_trackLoop = nullptr;
    m_tracking = Tracking::None;
}

MapRectangle MapWidget::TrackRectangle()
{
    m_lastPos = m_pressPos;
    if (m_buttonDown) {
        m_rubberBand = new QRubberBand(QRubberBand::Rectangle, this);
        m_rubberBand->setGeometry(QRect(m_pressPos, QSize()));
        m_rubberBand->show();
        QPointer<MapWidget> guard(this);
        runTracking(Tracking::Rectangle);
        if (!guard)
            return {};
        delete m_rubberBand;
        m_rubberBand = nullptr;
    }
    const MapPoint a = ToMapPoint(m_pressPos.x(), m_pressPos.y());
    const MapPoint b = ToMapPoint(m_lastPos.x(), m_lastPos.y());
    return {std::min(a.X, b.X), std::max(a.X, b.X), std::min(a.Y, b.Y), std::max(a.Y, b.Y)};
}

void MapWidget::Pan()
{
    if (!m_buttonDown)
        return;
    QPointer<MapWidget> guard(this);
    runTracking(Tracking::Pan);
    if (!guard)
        return;
    const QPoint moved = m_lastPos - m_pressPos;
    m_panOffset = QPoint();
    if (moved.isNull()) {
        update();
        return;
    }
    // Dragging the map right shows what lies to the left: the extent moves against the mouse.
    const MapRectangle e = Extent();
    const double k = width() > 0 ? e.Width() / width() : 1.0;
    const double dx = -moved.x() * k, dy = moved.y() * k;
    const MapRectangle base = m_requested == MapRectangle() ? FullExtent() : m_requested;
    SetExtent({base.Left + dx, base.Right + dx, base.Bottom + dy, base.Top + dy});
    Refresh();
}
