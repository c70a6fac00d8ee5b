#include "ScreenGrab.h"

#include <QGuiApplication>
#include <QScreen>

QPixmap grabPrimaryScreen()
{
    QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->grabWindow(0) : QPixmap();
}
