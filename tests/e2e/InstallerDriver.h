#pragma once

// Driving the real installer's window on an X server with xdotool and xclip, for the end-to-end
// tests of the installer bundle.

#include <QDeadlineTimer>
#include <QMap>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QThread>

#include <functional>

namespace installerdriver {

// Where the folder box of the installer's window takes a click.
inline const QPoint pathBox(184, 169);

// Runs a helper program to its end; its standard output, trimmed.
inline QByteArray run(const QStringList &command)
{
    QProcess process;
    process.start(command.first(), command.mid(1));
    process.waitForFinished(15000);
    return process.readAllStandardOutput().trimmed();
}

// Hands the text to xclip, which keeps serving it until another program takes the clipboard.
inline bool putOnClipboard(const QString &text)
{
    QProcess xclip;
    xclip.start("xclip", {"-selection", "clipboard", "-i"});
    xclip.write(text.toUtf8());
    xclip.closeWriteChannel();
    return xclip.waitForFinished(15000) && xclip.exitCode() == 0;
}

// Long enough for a whole installation of the bundle: one file a tick of 200 ms, the 50-odd
// libraries of its runtime included.
inline bool waitUntil(const std::function<bool()> &condition, int timeoutMs = 60000)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition() && !deadline.hasExpired())
        QThread::msleep(50);
    return condition();
}

// The installer at `program`, by default in a network namespace of its own so that its report
// never leaves the machine; killed unless it has ended.
struct Installer
{
    enum class Network { Own, Shared };

    Installer(
        const QString &program, const QProcessEnvironment &env, Network network = Network::Own)
    {
        process.setProcessEnvironment(env);
        if (network == Network::Own)
            process.start("unshare", {"--net", program});
        else
            process.start(program, QStringList());
        process.waitForStarted();
    }
    ~Installer()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }

    // Waits for the window, notes its geometry and gives it the focus.
    bool findWindow()
    {
        window = windowNamed("^VEXA即时通信$");
        if (window.isEmpty())
            return false;
        QThread::msleep(500); // let the first frame be drawn
        geometry = geometryOf(window);
        run({"xdotool", "windowfocus", "--sync", window});
        return true;
    }

    // A shown window of this installer whose title matches `pattern`; empty when none comes
    // within `timeoutMs`.
    QByteArray windowNamed(const QString &pattern, int timeoutMs = 20000) const
    {
        QByteArray found;
        waitUntil(
            [&] {
                found = run({"xdotool", "search", "--all", "--onlyvisible", "--pid",
                    QString::number(process.processId()), "--name", pattern});
                return !found.isEmpty();
            },
            timeoutMs);
        return found.split('\n').first();
    }

    static QRect geometryOf(const QByteArray &window)
    {
        QMap<QByteArray, int> shell; // X=, Y=, WIDTH=, HEIGHT=
        for (const QByteArray &line :
            run({"xdotool", "getwindowgeometry", "--shell", window}).split('\n'))
            shell[line.left(line.indexOf('='))] = line.mid(line.indexOf('=') + 1).toInt();
        return QRect(shell["X"], shell["Y"], shell["WIDTH"], shell["HEIGHT"]);
    }

    // Pasted, not typed: xdotool types characters missing from the keymap by remapping keys on
    // the fly, which drops some of them when the program reads its input late.
    bool pasteFolder(const QString &folder) const
    {
        if (!putOnClipboard(folder))
            return false;
        run({"xdotool", "windowfocus", "--sync", window}); // back from a closed box
        click(pathBox);
        run({"xdotool", "key", "ctrl+a", "ctrl+v"});
        return true;
    }

    // What the focused box holds, read back through the clipboard.
    static QByteArray focusedBoxText()
    {
        run({"xdotool", "key", "ctrl+a", "ctrl+c"});
        return run({"xclip", "-o", "-selection", "clipboard"});
    }

    void click(QPoint at, int settleMs = 150) const
    {
        at += geometry.topLeft();
        run({"xdotool", "mousemove", QString::number(at.x()), QString::number(at.y()), "click",
            "1"});
        QThread::msleep(static_cast<unsigned long>(settleMs));
    }

    QProcess process;
    QByteArray window;
    QRect geometry;
};

} // namespace installerdriver
