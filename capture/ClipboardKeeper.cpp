#include "ClipboardKeeper.h"

#include "WaitForSignal.h"
#include "XcbReply.h"

#include <QClipboard>
#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

namespace {

// How long a clipboard manager may take to fetch the picture; Qt allows as much.
constexpr int managerTimeoutMs = 5000;
// How long a Wayland compositor may take to echo the selection; it does so at
// its next dispatch.
constexpr std::chrono::milliseconds echoTimeout(2000);

xcb_connection_t *qtConnection()
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// A clipboard manager announces itself by owning the CLIPBOARD_MANAGER selection.
bool clipboardManagerRuns(xcb_connection_t *connection)
{
    const xcb_atom_t manager = internAtom(connection, "CLIPBOARD_MANAGER");
    const auto owner = xcbReply(xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, manager), nullptr));
    return owner && owner->owner != XCB_WINDOW_NONE;
}

// Serves paste requests until another program owns the clipboard, or until
// timeoutMs passed when it is not negative.
void serveUntilTaken(int timeoutMs)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    QEventLoop loop;
    const auto quitWhenTaken = [&] {
        if (!clipboard->ownsClipboard())
            loop.quit();
    };
    QObject::connect(clipboard, &QClipboard::changed, &loop, quitWhenTaken);
    // Qt learns of a lost selection from SelectionClear but announces it only
    // where the XFixes extension reports owner changes; the slow check covers
    // servers without it.
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, quitWhenTaken);
    check.start(500);
    if (timeoutMs >= 0)
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (clipboard->ownsClipboard())
        loop.exec();
}

// Asks the clipboard manager to save the clipboard (the request Qt makes when
// it exits) and serves its paste requests until it has taken the clipboard
// over. Qt's own request at exit can miss the manager's answer and then waits
// out its whole timeout; the manager taking the clipboard is unmistakable.
void handToManager(xcb_connection_t *connection)
{
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_window_t requestor = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, requestor, screen->root, 0, 0, 1, 1, 0,
        XCB_WINDOW_CLASS_INPUT_ONLY, screen->root_visual, 0, nullptr);
    xcb_convert_selection(connection, requestor, internAtom(connection, "CLIPBOARD_MANAGER"),
        internAtom(connection, "SAVE_TARGETS"), internAtom(connection, "VEXA_SAVE_TARGETS"),
        XCB_CURRENT_TIME);
    xcb_flush(connection);
    serveUntilTaken(managerTimeoutMs);
    xcb_destroy_window(connection, requestor);
    xcb_flush(connection);
}

bool onWayland()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

// Waits for the compositor's echo of the selection; false when it never came.
bool waitForEcho(const ClipboardKeeper::SelectionWatch &watch)
{
    if (!watch.echoed())
        waitForSignal(&watch, &ClipboardKeeper::SelectionWatch::echoArrived, echoTimeout);
    return watch.echoed();
}

} // namespace

namespace ClipboardKeeper {

bool servesOwnSelection()
{
    return onWayland()
        || (QGuiApplication::platformName() == QLatin1String("xcb") && qtConnection());
}

void keepPicture(const SelectionWatch &watch)
{
    // Let a selection clear that is already queued take effect first.
    QCoreApplication::processEvents();
    if (!QGuiApplication::clipboard()->ownsClipboard())
        return;
    if (onWayland()) {
        if (waitForEcho(watch))
            serveUntilTaken(-1);
        return;
    }
    xcb_connection_t *connection = qtConnection();
    if (clipboardManagerRuns(connection))
        handToManager(connection);
    else
        serveUntilTaken(-1);
    // Should the manager not have taken over, Qt makes its own request at exit.
}

} // namespace ClipboardKeeper
