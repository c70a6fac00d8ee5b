#pragma once

// The test side of GNOME Shell's test hooks (tests/e2e/gnome-shell-test-hooks@vexa,
// enabled by with-gnome.sh): screenshots, pointer and keyboard, the windows and
// the shell's permission dialog, over the session bus.
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QImage>
#include <QRect>
#include <QTemporaryDir>

namespace testsupport {

struct ShellWindow
{
    QString title;
    uint pid = 0;
    QRect frame; // the title bar included
};

class GnomeShellHooks
{
public:
    static constexpr char service[] = "vexa.test.GnomeShell";
    static constexpr char path[] = "/vexa/test/GnomeShell";

    static bool available()
    {
        return QDBusConnection::sessionBus().interface()->isServiceRegistered(service);
    }

    // The whole screen without the pointer, in RGB32; a null image when it failed.
    QImage screenshot() const
    {
        const QString file = m_dir.filePath("screenshot.png");
        if (call("Screenshot", {file}).type() != QDBusMessage::ReplyMessage)
            return {};
        return QImage(file).convertToFormat(QImage::Format_RGB32);
    }

    void movePointer(QPoint to) const { call("MovePointer", {double(to.x()), double(to.y())}); }
    // 1 left, 3 right.
    void button(uint number, bool pressed) const { call("Button", {number, pressed}); }
    void click(QPoint at) const
    {
        movePointer(at);
        button(1, true);
        button(1, false);
    }
    void key(uint keyval) const { call("Key", {keyval}); }

    // Bottom to top.
    QList<ShellWindow> windows() const
    {
        QList<ShellWindow> found;
        const QDBusMessage reply = call("Windows", {});
        if (reply.type() != QDBusMessage::ReplyMessage)
            return found;
        const QDBusArgument list = reply.arguments().first().value<QDBusArgument>();
        list.beginArray();
        while (!list.atEnd()) {
            ShellWindow window;
            QString wmClass;
            int x, y, width, height;
            list.beginStructure();
            list >> window.title >> wmClass >> window.pid >> x >> y >> width >> height;
            list.endStructure();
            window.frame = QRect(x, y, width, height);
            found.append(window);
        }
        list.endArray();
        return found;
    }

    // The buttons of the shell's open permission dialog; none when it is closed.
    QStringList accessDialog() const
    {
        const QDBusMessage reply = call("AccessDialog", {});
        return reply.type() == QDBusMessage::ReplyMessage ? reply.arguments().first().toStringList()
                                                          : QStringList();
    }
    bool answerAccessDialog(const QString &label) const
    {
        const QDBusMessage reply = call("AnswerAccessDialog", {label});
        return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().first().toBool();
    }

    void showTopBar(bool shown) const { call("ShowTopBar", {shown}); }

private:
    QDBusMessage call(const QString &method, const QVariantList &arguments) const
    {
        QDBusMessage message = QDBusMessage::createMethodCall(service, path, service, method);
        message.setArguments(arguments);
        return QDBusConnection::sessionBus().call(message);
    }

    QTemporaryDir m_dir;
};

} // namespace testsupport
