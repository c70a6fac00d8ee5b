#pragma once

#include "SelectionWatch.h"

// Keeping a picture pasteable after the capture window closed, on X11 and on
// Wayland. Everything here needs a QGuiApplication.
namespace ClipboardKeeper {

// True when this process serves its clipboard itself: an X11 selection, or a
// Wayland one.
bool servesOwnSelection();

// Returns once the clipboard of this process is in other hands. On X11 a
// running clipboard manager is asked to take the picture over, else the
// picture is served until another program takes the clipboard. On Wayland it
// is served until another client takes the clipboard, once the compositor has
// echoed it; a selection it refused or that is already lost ends this at
// once. Returns at once when this process does not own the clipboard.
void keepPicture(const SelectionWatch &watch);

} // namespace ClipboardKeeper
