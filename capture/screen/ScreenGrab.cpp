#include "ScreenGrab.h"

#include "X11ShmGrab.h"

#include <QGuiApplication>
#include <QScreen>

namespace {

// The primary screen's part of the X screen picture, in device pixels; a null
// image where the two are not known to line up pixel for pixel.
QImage primaryPart(const QImage &xScreen, const QScreen &primary)
{
    const QRect logical = primary.geometry();
    const qreal ratio = primary.devicePixelRatio();
    const QSize wholeLogical = (QSizeF(xScreen.size()) / ratio).toSize();
    if (logical == QRect(QPoint(0, 0), wholeLogical))
        return xScreen;
    if (ratio == 1.0 && xScreen.rect().contains(logical))
        return xScreen.copy(logical);
    return {};
}

} // namespace

QPixmap grabPrimaryScreen()
{
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    // The early grab, when one was started and Qt runs on X11 too.
    QImage early = X11ShmGrab::take();
    if (!early.isNull() && QGuiApplication::platformName() == QLatin1String("xcb")) {
        early = primaryPart(early, *screen);
        if (!early.isNull()) {
            QPixmap picture = QPixmap::fromImage(std::move(early));
            picture.setDevicePixelRatio(screen->devicePixelRatio());
            return picture;
        }
    }
    return screen->grabWindow(0);
}
