#include "SelectionFrame.h"

#include <QMouseEvent>
#include <QPainter>

SelectionFrame::SelectionFrame(QWidget *parent) : QWidget(parent)
{
    setCursor(Qt::SizeAllCursor);
    setMouseTracking(true);
}

void SelectionFrame::paintEvent(QPaintEvent *)
{
    if (width() <= 0 || height() <= 0)
        return;
    QPainter painter(this);
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

// Every press is taken here, so none falls through to the picture below:
// a right press on the rectangle must not act like one on the bare picture.
void SelectionFrame::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_leftHeld = true;
    emit mousePressed(event->button(), event->position().toPoint());
}

void SelectionFrame::mouseMoveEvent(QMouseEvent *event)
{
    emit mouseMoved(event->position().toPoint());
}

void SelectionFrame::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_leftHeld = false;
    emit mouseReleased(event->button(), event->position().toPoint());
}

void SelectionFrame::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The presses and releases of the double click have come as such already.
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
}

void SelectionFrame::hideEvent(QHideEvent *)
{
    // Hidden while held (Esc during a move), the rectangle loses the pointer
    // and would never see its release: deliver that release now, so a move
    // cannot outlive the button.
    if (m_leftHeld) {
        m_leftHeld = false;
        emit mouseReleased(Qt::LeftButton, QPoint());
    }
}
