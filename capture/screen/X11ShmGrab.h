#pragma once

#include <QImage>

// A grab of the X screen through MIT-SHM, on an X connection of its own, in a
// thread of its own: started before Qt, it runs while Qt starts up, and the
// picture crosses from the X server to us through shared memory instead of a
// socket.
namespace X11ShmGrab {

// Starts the grab of the whole X screen named by $DISPLAY. Call it once,
// before the QApplication exists, in the process that shows the picture. Does
// nothing without $DISPLAY.
void start();

// The picture the started grab took, in the X screen's device pixels (root
// window coordinates), waiting for it when needed. A null image when no grab
// was started or it failed: no X server, no MIT-SHM extension (a remote
// display, a container without shared memory) or a pixel format it does not
// read. A second call gives a null image.
QImage take();

// The whole screen of `display` (nullptr: $DISPLAY) through MIT-SHM, now,
// in this thread; a null image on any of the failures above.
QImage grabNow(const char *display);

} // namespace X11ShmGrab
