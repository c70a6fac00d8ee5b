#pragma once

#include <QPixmap>

// The whole primary screen as it is now, in device pixels, with the screen's
// device pixel ratio set on the pixmap. Needs a QGuiApplication; call it
// before any window of ours is shown.
QPixmap grabPrimaryScreen();
