#pragma once

#include <QPoint>
#include <QWidget>

// The selection rectangle (areaimg): it draws only its one-pixel border and
// takes the pointer over its whole area. Positions in its signals are in its
// own coordinates, relative to its top-left corner.
class SelectionFrame : public QWidget
{
    Q_OBJECT
public:
    explicit SelectionFrame(QWidget *parent = nullptr);

signals:
    void mousePressed(Qt::MouseButton button, QPoint pos);
    void mouseMoved(QPoint pos);
    void mouseReleased(Qt::MouseButton button, QPoint pos);
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    bool m_leftHeld = false;
};
