#pragma once

#include <QtGlobal>

// True on a Wayland session, whichever Qt platform runs on it (XWayland
// included): there no client may read the screen, and an X11 client's
// clipboard reaches Wayland clients only through the compositor.
inline bool onWaylandSession()
{
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        || qgetenv("XDG_SESSION_TYPE") == "wayland";
}
