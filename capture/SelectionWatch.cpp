#include "SelectionWatch.h"

#include "WaitForSignal.h"
#include "WaylandSession.h"
#include "XcbReply.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QTimer>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

namespace {

// How long a closing window waits for XWayland's compositor to ask for the
// selection; it asks within a few of its dispatches.
constexpr std::chrono::milliseconds bridgeTimeout(1000);

} // namespace

namespace ClipboardKeeper {

SelectionWatch::SelectionWatch()
{
    connect(
        QGuiApplication::clipboard(), &QClipboard::changed, this, [this](QClipboard::Mode mode) {
            if (mode == QClipboard::Clipboard)
                onClipboardChanged();
        });
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    m_underXWayland = x11 && x11->connection() && onWaylandSession();
    if (!m_underXWayland)
        return;
    m_clipboardAtom = internAtom(x11->connection(), "CLIPBOARD");
    QCoreApplication::instance()->installNativeEventFilter(this);
    QCoreApplication::instance()->installEventFilter(this);
}

SelectionWatch::~SelectionWatch()
{
    if (m_underXWayland)
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

void SelectionWatch::onClipboardChanged()
{
    const bool owned = QGuiApplication::clipboard()->ownsClipboard();
    m_ownedInRow = owned ? m_ownedInRow + 1 : 0;
    if (!owned)
        m_echoed = false;
    else if (m_ownedInRow == 2 && !m_underXWayland)
        echo();
}

void SelectionWatch::echo()
{
    m_echoed = true;
    emit echoArrived();
}

bool SelectionWatch::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & 0x7f) == XCB_SELECTION_REQUEST
        && reinterpret_cast<const xcb_selection_request_event_t *>(event)->selection
            == m_clipboardAtom
        && !m_echoed) {
        // Qt answers the request once this returns; the window may go after that.
        QTimer::singleShot(0, this, &SelectionWatch::echo);
    }
    return false;
}

bool SelectionWatch::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Close && watched->isWidgetType() && !m_echoed
        && QGuiApplication::clipboard()->ownsClipboard())
        waitForSignal(this, &SelectionWatch::echoArrived, bridgeTimeout);
    return QObject::eventFilter(watched, event);
}

} // namespace ClipboardKeeper
