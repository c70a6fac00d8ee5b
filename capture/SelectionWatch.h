#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>

namespace ClipboardKeeper {

// Follows, from its creation on, what the display server does with the
// clipboard this process sets; make it before the capture sets the clipboard.
// Needs a QGuiApplication.
//
// Wayland: the compositor announces an accepted selection to its focused
// client, the one that set it included, and never announces a refused one
// (say, one set without a valid input serial), while Qt reports it owned
// either way. Qt announces the selection once itself when it is set, so an
// accepted one shows as a second change in a row with the clipboard ours.
//
// XWayland: the compositor takes an X11 selection over to Wayland only while
// an X11 window has the focus, by asking the owner for its TARGETS. So once
// the clipboard is set, the closing of our window waits for that request
// (briefly): the compositor must see our selection before the focus goes.
class SelectionWatch : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT
public:
    SelectionWatch();
    ~SelectionWatch() override;

    // The compositor confirmed our selection (Wayland) or asked for it (XWayland).
    bool echoed() const { return m_echoed; }

signals:
    void echoArrived();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override;

private:
    void onClipboardChanged();
    void echo();

    bool m_underXWayland = false;
    unsigned m_clipboardAtom = 0;
    int m_ownedInRow = 0;
    bool m_echoed = false;
};

} // namespace ClipboardKeeper
