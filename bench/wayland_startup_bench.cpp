// Time from the exec of vexacaptScreen to its frozen picture on the screen of
// a Wayland desktop, seen from outside: sway announces a window once its
// first frame is committed, and the first frame is the frozen picture. Run it
// under tests/e2e/with-sway.sh. Argument 0: Qt's wayland platform, 1: XWayland.
// Alongside, the portal's part of it: the desktop's screenshot portal asked
// and answered, and its picture read, the way the program does it.
#include "CaptureChecks.h"
#include "PortalScreenshot.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using testsupport::waitMs;

bool run(const QString &program, const QStringList &arguments)
{
    return testsupport::run(program, arguments) == 0;
}

bool onSway(benchmark::State &state)
{
    if (qEnvironmentVariableIsEmpty("SWAYSOCK")) {
        state.SkipWithError("needs a sway desktop: run under tests/e2e/with-sway.sh");
        return false;
    }
    return true;
}

void execToFrozenPicture(benchmark::State &state)
{
    if (!onSway(state))
        return;
    QTemporaryDir dir;
    const QString program = dir.filePath("vexacaptScreen");
    if (!QFile::copy(VEXACAPTSCREEN_PATH, program)) {
        state.SkipWithError("cannot copy vexacaptScreen");
        return;
    }
    const char *platform = state.range(0) == 0 ? "wayland" : "xcb";
    for (auto _ : state) {
        QProcess windows;
        windows.start("swaymsg", {"-t", "subscribe", "-m", "[\"window\"]"});
        // swaymsg prints nothing until the first event: give it time to subscribe.
        if (!windows.waitForStarted(waitMs) || windows.waitForReadyRead(300)) {
            state.SkipWithError("swaymsg did not subscribe");
            break;
        }
        QProcess capture;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", platform);
        capture.setProcessEnvironment(env);
        QElapsedTimer timer;
        timer.start();
        capture.start(program, {});
        bool shown = false;
        while (!shown && windows.waitForReadyRead(waitMs))
            shown = windows.readAll().contains("\"change\": \"new\"");
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) * 1e-9);
        windows.kill();
        windows.waitForFinished();
        const bool quit = run("wtype", {"-s", "100", "-k", "Escape", "-s", "100", "-k", "Escape"})
            && capture.waitForFinished(waitMs) && capture.exitCode() == 1;
        if (!shown || !quit) {
            state.SkipWithError("the capture window did not show, or did not quit");
            break;
        }
    }
    state.SetLabel(platform);
}

void portalRoundTrip(benchmark::State &state)
{
    if (!onSway(state))
        return;
    int argc = 1;
    char name[] = "bench";
    char *argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
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

BENCHMARK_MAIN();
