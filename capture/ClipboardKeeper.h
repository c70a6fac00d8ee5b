#pragma once

#include <QObject>

// Keeping a picture pasteable after the capture window closed, on X11 and on
// Wayland. Everything here needs a QGuiApplication.
namespace ClipboardKeeper {

// What the display server told of this process's clipboard since the watch
// was made; make it before the capture sets the clipboard. A Wayland
// compositor announces an accepted selection to its focused client, the one
// that set it included, and never announces a refused one (say, set without
// a valid input serial), while Qt reports it owned either way. Qt announces
// the selection once itself when it is set, so an accepted one shows as a
// second change in a row with the clipboard still ours.
class SelectionWatch : public QObject
{
    Q_OBJECT
public:
    SelectionWatch();
    bool echoed() const { return m_ownedInRow >= 2; }

signals:
    void echoArrived();

private:
    int m_ownedInRow = 0;
};

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
