#pragma once

#include <QPixmap>
#include <QPoint>
#include <QWidget>

// The surface showing the frozen screen (Picture1). It reports its pointer
// and key events as signals; positions are in its own logical pixels.
class FrozenPicture : public QWidget
{
    Q_OBJECT
public:
    explicit FrozenPicture(QWidget *parent = nullptr);

    void setPicture(const QPixmap &picture);
    const QPixmap &picture() const { return m_picture; }

signals:
    void mousePressed(Qt::MouseButton button, QPoint pos);
    void mouseMoved(QPoint pos);
    void mouseReleased(Qt::MouseButton button, QPoint pos);
    void keyReleased(int key);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    QPixmap m_picture;
    bool m_backingStoreMapped = false;
};
