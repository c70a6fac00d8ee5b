// Time from the exec of vexacaptScreen to its frozen picture on the screen of
// a Wayland desktop, seen from outside: the desktop announces a window once its
// first frame is shown (sway's window events, GNOME Shell's test hooks), and
// the first frame is the frozen picture. Run it under tests/e2e/with-sway.sh or
// tests/e2e/with-gnome.sh (there with screenshots allowed, so nobody is asked).
// Argument 0: Qt's wayland platform, 1: XWayland. Alongside, the portal's part
// of it: the desktop's screenshot portal asked and answered, and its picture
// read, the way the program does it.
#include "CaptureChecks.h"
#include "GnomeShellHooks.h"
#include "PortalScreenshot.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using testsupport::waitMs;

bool run(const QString &program, const QStringList &arguments)
{
    return testsupport::run(program, arguments) == 0;
}

// The desktop the benchmark runs on: how it announces a new window and how a
// key reaches the focused one.
class Desktop
{
public:
    virtual ~Desktop() = default;
    // Listens for the next window; false when the desktop cannot be listened to.
    virtual bool listen() = 0;
    // Waits for the window listened for.
    virtual bool windowShown() = 0;
    virtual bool escTwice() = 0;
};

class Sway : public Desktop
{
public:
    bool listen() override
    {
        m_windows.start("swaymsg", {"-t", "subscribe", "-m", "[\"window\"]"});
        // swaymsg prints nothing until the first event: give it time to subscribe.
        return m_windows.waitForStarted(waitMs) && !m_windows.waitForReadyRead(300);
    }
    bool windowShown() override
    {
        bool shown = false;
        while (!shown && m_windows.waitForReadyRead(waitMs))
            shown = m_windows.readAll().contains("\"change\": \"new\"");
        m_windows.kill();
        m_windows.waitForFinished();
        return shown;
    }
    bool escTwice() override
    {
        return run("wtype", {"-s", "100", "-k", "Escape", "-s", "100", "-k", "Escape"});
    }

private:
    QProcess m_windows;
};

class GnomeShell : public QObject, public Desktop
{
    Q_OBJECT
public:
    GnomeShell()
    {
        // Screenshots allowed: the desktop asks nobody.
        QDBusMessage grant
            = QDBusMessage::createMethodCall("org.freedesktop.impl.portal.PermissionStore",
                "/org/freedesktop/impl/portal/PermissionStore",
                "org.freedesktop.impl.portal.PermissionStore", "SetPermission");
        grant << "screenshot" << true << "screenshot"
              << "" << QStringList {"yes"};
        QDBusConnection::sessionBus().call(grant);
    }
    bool listen() override
    {
        m_shown = false;
        return QDBusConnection::sessionBus().connect(testsupport::GnomeShellHooks::service,
            testsupport::GnomeShellHooks::path, testsupport::GnomeShellHooks::service,
            "WindowShown", this, SLOT(onWindowShown(QString, uint)));
    }
    bool windowShown() override
    {
        QEventLoop loop;
        connect(this, &GnomeShell::shown, &loop, &QEventLoop::quit);
        QTimer::singleShot(waitMs, &loop, &QEventLoop::quit);
        if (!m_shown)
            loop.exec();
        QDBusConnection::sessionBus().disconnect(testsupport::GnomeShellHooks::service,
            testsupport::GnomeShellHooks::path, testsupport::GnomeShellHooks::service,
            "WindowShown", this, SLOT(onWindowShown(QString, uint)));
        return m_shown;
    }
    bool escTwice() override
    {
        constexpr uint escape = 0xff1b;
        m_hooks.key(escape);
        QThread::msleep(100);
        m_hooks.key(escape);
        return true;
    }

signals:
    void shown();

private slots:
    void onWindowShown(const QString &title, uint)
    {
        m_shown = m_shown || title == "vexacaptScreen";
        if (m_shown)
            emit shown();
    }

private:
    testsupport::GnomeShellHooks m_hooks;
    bool m_shown = false;
};

std::unique_ptr<Desktop> desktop;

bool onDesktop(benchmark::State &state)
{
    if (!desktop)
        state.SkipWithError("needs a desktop: run under tests/e2e/with-sway.sh or with-gnome.sh");
    return desktop != nullptr;
}

void execToFrozenPicture(benchmark::State &state)
{
    if (!onDesktop(state))
        return;
    QTemporaryDir dir;
    const QString program = dir.filePath("vexacaptScreen");
    // Another build of the program may be measured against this one.
    const QString measured = qEnvironmentVariable("VEXA_BENCH_PROGRAM", VEXACAPTSCREEN_PATH);
    if (!QFile::copy(measured, program)) {
        state.SkipWithError("cannot copy vexacaptScreen");
        return;
    }
    const char *platform = state.range(0) == 0 ? "wayland" : "xcb";
    for (auto _ : state) {
        if (!desktop->listen()) {
            state.SkipWithError("cannot listen for windows");
            break;
        }
        QProcess capture;
        QElapsedTimer timer;
        timer.start();
        testsupport::startOnPlatform(capture, program, platform);
        const bool shown = desktop->windowShown();
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) * 1e-9);
        const bool quit
            = desktop->escTwice() && capture.waitForFinished(waitMs) && capture.exitCode() == 1;
        if (!shown || !quit) {
            state.SkipWithError("the capture window did not show, or did not quit");
            break;
        }
    }
    state.SetLabel(platform);
}

void portalRoundTrip(benchmark::State &state)
{
    if (!onDesktop(state))
        return;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        PortalScreenshot portal(QDBusConnection::sessionBus());
        portal.start();
        const PortalReply::Answer answer = portal.waitForAnswer(std::chrono::seconds(5));
        const double asked = static_cast<double>(timer.nsecsElapsed()) * 1e-9;
        const bool read = !QImageReader(answer.filePath).read().isNull();
        state.SetIterationTime(
            state.range(0) == 0 ? asked : static_cast<double>(timer.nsecsElapsed()) * 1e-9);
        QFile::remove(answer.filePath);
        if (answer.kind != PortalReply::Answer::Picture || !read) {
            state.SkipWithError("the portal gave no picture");
            break;
        }
    }
    state.SetLabel(state.range(0) == 0 ? "asked and answered" : "and its picture read");
}

} // namespace

// The exec and the portal's answer, in turn, in the same run.
BENCHMARK(execToFrozenPicture)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(portalRoundTrip)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    // The bus's signals and the portal's answer arrive through the event loop.
    QCoreApplication app(argc, argv);
    if (!qEnvironmentVariableIsEmpty("SWAYSOCK"))
        desktop = std::make_unique<Sway>();
    else if (testsupport::GnomeShellHooks::available())
        desktop = std::make_unique<GnomeShell>();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    desktop.reset();
    return 0;
}

#include "wayland_startup_bench.moc"
