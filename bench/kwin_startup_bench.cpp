// Time from the exec of vexacaptScreen to its frozen picture on a headless KWin
// session, seen from outside: a KWin script reports each window KWin adds to
// its workspace over the bus, and KWin adds a Wayland window with its first
// frame, which is the frozen picture. Argument 0: the tool as the installer
// leaves it, which KWin grants its screenshot interface, 1: the build tree's,
// which KWin refuses, so the portal serves it; second argument 0: Qt's wayland
// platform, 1: XWayland. Alongside, in the same session, the portal's answer
// alone and KWin's picture alone, each asked the way the program asks it.
//
// Run it as with-kwin.sh --before bench_kwin_startup --prepare -- bench_kwin_startup
// --benchmark_repetitions=5 (one start a repetition: medians of 5).
#include "CaptureChecks.h"
#include "KWinScreenShot.h"
#include "KWinSession.h"
#include "PortalScreenshot.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <set>
#include <utility>

namespace {

constexpr int waitMs = 15000;

// Receives the script's reports of new windows.
class WindowReports : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.vexa.Bench")
public:
    // Waits until KWin adds a window with this caption; false after waitMs.
    bool waitFor(const QString &caption)
    {
        QEventLoop loop;
        connect(this, &WindowReports::added, &loop, [&](const QString &added) {
            if (added == caption)
                loop.exit(1);
        });
        QTimer::singleShot(waitMs, &loop, [&] { loop.exit(0); });
        return loop.exec() == 1;
    }

signals:
    void added(const QString &caption);

public slots:
    void windowAdded(const QString &caption) { emit added(caption); }
};

// Registers `reports` on the session bus and has KWin run a script that calls it
// for every window added from now on; false when either fails.
bool watchWindows(WindowReports &reports, QTemporaryFile &script)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerService("org.vexa.Bench")
        || !bus.registerObject("/", &reports, QDBusConnection::ExportAllSlots))
        return false;
    if (!script.open())
        return false;
    script.write("workspace.clientAdded.connect(function (window) {\n"
                 "    callDBus('org.vexa.Bench', '/', 'org.vexa.Bench', 'windowAdded',\n"
                 "        window.caption);\n"
                 "});\n");
    script.close();
    QDBusMessage load = QDBusMessage::createMethodCall(
        "org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting", "loadScript");
    load << script.fileName() << QStringLiteral("vexa-bench");
    const QDBusMessage loaded = bus.call(load);
    return loaded.type() == QDBusMessage::ReplyMessage
        && bus.call(QDBusMessage::createMethodCall(
                        "org.kde.KWin", "/Scripting", "org.kde.kwin.Scripting", "start"))
               .type()
        == QDBusMessage::ReplyMessage;
}

WindowReports *reports = nullptr;
testsupport::FakeInput *input = nullptr;

bool onKWin(benchmark::State &state)
{
    if (!reports) {
        state.SkipWithError("needs a KWin session: run under tests/e2e/with-kwin.sh");
        return false;
    }
    return true;
}

// One start of the program on the platform; its time to the window, or a negative one.
double startToWindow(const QString &program, const char *platform)
{
    QProcess capture;
    QElapsedTimer timer;
    timer.start();
    testsupport::startOnPlatform(capture, program, platform);
    const bool shown = reports->waitFor("vexacaptScreen");
    const double seconds = double(timer.nsecsElapsed()) * 1e-9;
    const bool quit
        = input->escapeTwice() && capture.waitForFinished(waitMs) && capture.exitCode() == 1;
    return shown && quit ? seconds : -1.0;
}

void execToFrozenPicture(benchmark::State &state)
{
    if (!onKWin(state))
        return;
    const bool granted = state.range(0) == 0;
    const QString program = granted
        ? testsupport::kwinInstallFolder() + QStringLiteral("/vexacaptScreen")
        : QStringLiteral(VEXACAPTSCREEN_PATH);
    const char *platform = state.range(1) == 0 ? "wayland" : "xcb";
    // Once unmeasured: the files into the cache, the portal's backend started.
    static std::set<std::pair<int64_t, int64_t>> warm;
    if (warm.insert({state.range(0), state.range(1)}).second
        && startToWindow(program, platform) < 0) {
        state.SkipWithError("the capture window did not show, or did not quit");
        return;
    }
    for (auto _ : state) {
        const double seconds = startToWindow(program, platform);
        if (seconds < 0) {
            state.SkipWithError("the capture window did not show, or did not quit");
            break;
        }
        state.SetIterationTime(seconds);
    }
    state.SetLabel(std::string(granted ? "KWin's screenshot, " : "the portal, ") + platform);
}

void answerAlone(benchmark::State &state)
{
    if (!onKWin(state))
        return;
    const bool portal = state.range(0) == 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        bool answered = false;
        if (portal) {
            PortalScreenshot request(QDBusConnection::sessionBus());
            request.start();
            const PortalReply::Answer answer = request.waitForAnswer(std::chrono::seconds(5));
            state.SetIterationTime(double(timer.nsecsElapsed()) * 1e-9);
            answered = answer.kind == PortalReply::Answer::Picture;
            QFile::remove(answer.filePath);
        } else {
            const auto shot
                = KWinScreenShot::request(QDBusConnection::sessionBus(), std::chrono::seconds(3));
            answered = shot && !shot->take().isNull();
            state.SetIterationTime(double(timer.nsecsElapsed()) * 1e-9);
        }
        if (!answered) {
            state.SkipWithError("no picture");
            break;
        }
    }
    state.SetLabel(portal ? "the portal asked and answered" : "KWin's picture through its pipe");
}

} // namespace

BENCHMARK(execToFrozenPicture)
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({1, 1})
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(answerAlone)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 1 && QByteArray(argv[1]) == "--prepare") {
        // The portal's KDE backend saves its picture into the Pictures folder.
        return testsupport::prepareKWinSession(
                   VEXACAPTSCREEN_PATH, QCoreApplication::applicationFilePath(), FAKE_INPUT_PATH)
                && QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation))
            ? 0
            : 1;
    }
    WindowReports windows;
    QTemporaryFile script;
    testsupport::FakeInput fakeInput;
    if (qgetenv("XDG_CURRENT_DESKTOP") == "KDE" && watchWindows(windows, script)
        && fakeInput.start(FAKE_INPUT_PATH)) {
        reports = &windows;
        input = &fakeInput;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

#include "kwin_startup_bench.moc"
