#include "FrozenPicture.h"

#include <QBackingStore>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>

#include <sys/mman.h>
#include <unistd.h>

namespace {

// The first paint writes every pixel of the window's backing store: map its
// memory in one call rather than a page fault per page on the way (without
// effect where the kernel does not know the call or the store is no image).
void mapBackingStore(QWidget &widget)
{
    QBackingStore *store = widget.backingStore();
    const auto *image = store ? dynamic_cast<const QImage *>(store->paintDevice()) : nullptr;
    if (!image || image->isNull())
        return;
    const auto pageSize = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto begin = reinterpret_cast<uintptr_t>(image->constBits()) & ~(pageSize - 1);
    const auto end = reinterpret_cast<uintptr_t>(image->constBits())
        + static_cast<uintptr_t>(image->sizeInBytes());
    madvise(reinterpret_cast<void *>(begin), end - begin, MADV_POPULATE_WRITE);
}

} // namespace

FrozenPicture::FrozenPicture(QWidget *parent) : QWidget(parent)
{
    // The picture covers the surface; the hint box follows the bare cursor.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

void FrozenPicture::setPicture(const QPixmap &picture)
{
    m_picture = picture;
    update();
}

void FrozenPicture::paintEvent(QPaintEvent *event)
{
    if (!m_backingStoreMapped) {
        mapBackingStore(*this);
        m_backingStoreMapped = true;
    }
    QPainter painter(this);
    // Where the picture does not reach (a failed grab), the default background;
    // only there, as filling what the picture then covers costs a whole pass
    // over the window's pixels.
    const QRegion uncovered
        = QRegion(event->rect()) - QRect(QPoint(0, 0), m_picture.deviceIndependentSize().toSize());
    for (const QRect &rect : uncovered)
        painter.fillRect(rect, palette().window());
    // The pixmap carries the screen's device pixel ratio, so each screen pixel
    // lands on the device pixel it came from.
    painter.drawPixmap(QPoint(0, 0), m_picture);
}

void FrozenPicture::mousePressEvent(QMouseEvent *event)
{
    emit mousePressed(event->button(), event->position().toPoint());
}

void FrozenPicture::mouseMoveEvent(QMouseEvent *event)
{
    emit mouseMoved(event->position().toPoint());
}

void FrozenPicture::mouseReleaseEvent(QMouseEvent *event)
{
    emit mouseReleased(event->button(), event->position().toPoint());
}

void FrozenPicture::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The second press of a double click has already been delivered as a press.
    event->accept();
}

void FrozenPicture::keyReleaseEvent(QKeyEvent *event)
{
    // Holding a key down repeats releases too; only the real release counts.
    if (event->isAutoRepeat())
        return;
    emit keyReleased(event->key());
}
