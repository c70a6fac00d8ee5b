#pragma once

// The X11 side of keeping a picture pasteable after the capture window closed.
// Both functions need a QGuiApplication.
namespace ClipboardKeeper {

// True when the clipboard of this process is an X11 selection it serves itself.
bool servesOwnSelection();

// Returns once the clipboard of this process is in other hands: a running
// clipboard manager is asked to take the picture over, else the picture is
// served until another program takes the clipboard. Returns at once when this
// process does not own the clipboard.
void keepPicture();

} // namespace ClipboardKeeper
