#pragma once

#include <QPixmap>

// The whole primary screen as it is now, in device pixels, with the screen's
// device pixel ratio set on the pixmap. Needs a QGuiApplication; call it
// before any window of ours is shown. On X11 it is the picture of the grab
// that X11ShmGrab::start() began before Qt started, when there is one, else
// Qt's own grab of the screen.
QPixmap grabPrimaryScreen();
