// Time from the double click on a selection to the end of the process that
// started vexacaptScreen, on an X server: run it under tests/e2e/with-xvfb.sh.
// Argument: the selection's width (its height is 0.6 times that). Timed from
// the start of the xdotool run that makes the second press, the one that
// completes the double click; the same xdotool run on the bare screen is
// measured alongside, as the part of each figure that is xdotool's own.
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <csignal>
#include <sys/types.h>
#include <vector>

namespace {

constexpr int waitMs = 15000;

bool run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(waitMs) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
}

QStringList moveTo(int x, int y)
{
    return {"mousemove", QString::number(x), QString::number(y)};
}

const QStringList firstClick = {"click", "1", "sleep", "0.05"};
const QStringList secondPress = {"mousedown", "1"};
const QStringList secondRelease = {"mouseup", "1"};

// Processes running the given program: after a capture, its clipboard keeper.
std::vector<pid_t> processesOf(const QString &program)
{
    std::vector<pid_t> found;
    const QStringList pids = QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &pid : pids) {
        bool isPid = false;
        const int id = pid.toInt(&isPid);
        if (isPid && QFile::symLinkTarget("/proc/" + pid + "/exe") == program)
            found.push_back(id);
    }
    return found;
}

void endKeepers(const QString &program)
{
    for (pid_t keeper : processesOf(program))
        kill(keeper, SIGKILL);
    const QDeadlineTimer deadline(waitMs);
    while (!processesOf(program).empty() && !deadline.hasExpired())
        QThread::msleep(5);
}

void doubleClickToExit(benchmark::State &state)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        state.SkipWithError("needs an X server: run under tests/e2e/with-xvfb.sh");
        return;
    }
    // A copy of its own, so doduvora.jpg lands in a scratch folder.
    QTemporaryDir dir;
    const QString program = dir.filePath("vexacaptScreen");
    if (!QFile::copy(VEXACAPTSCREEN_PATH, program)) {
        state.SkipWithError("cannot copy vexacaptScreen");
        return;
    }
    const QString canonical = QFileInfo(program).canonicalFilePath();
    // The selection, from (20, 20).
    const int width = static_cast<int>(state.range(0));
    const int height = width * 3 / 5;

    for (auto _ : state) {
        QProcess capture;
        capture.setProgram(program);
        capture.start();
        const bool ready = capture.waitForStarted(waitMs)
            && run("xdotool", {"search", "--sync", "--onlyvisible", "--name", "^vexacaptScreen$"})
            && run("xdotool",
                moveTo(20, 20) + QStringList {"mousedown", "1"} + moveTo(20 + width, 20 + height)
                    + QStringList {"mouseup", "1"});
        if (!ready) {
            state.SkipWithError("the capture window did not come up");
            break;
        }
        if (!run("xdotool", moveTo(20 + width / 2, 20 + height / 2) + firstClick)) {
            state.SkipWithError("xdotool failed");
            break;
        }
        QElapsedTimer timer;
        timer.start();
        const bool ended = run("xdotool", secondPress) && capture.waitForFinished(waitMs);
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) * 1e-9);
        run("xdotool", secondRelease);
        if (!ended || capture.exitCode() != 0) {
            state.SkipWithError("the capture did not end with status 0");
            break;
        }
        endKeepers(canonical);
    }
    endKeepers(canonical);
    state.SetLabel(QStringLiteral("%1x%2").arg(width).arg(height).toStdString());
}

void xdotoolPressAlone(benchmark::State &state)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        state.SkipWithError("needs an X server: run under tests/e2e/with-xvfb.sh");
        return;
    }
    if (!run("xdotool", moveTo(400, 300))) {
        state.SkipWithError("xdotool failed");
        return;
    }
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        const bool pressed = run("xdotool", secondPress);
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) * 1e-9);
        if (!pressed || !run("xdotool", secondRelease)) {
            state.SkipWithError("xdotool failed");
            break;
        }
    }
}

} // namespace

BENCHMARK(doubleClickToExit)
    ->Arg(200)
    ->Arg(1200)
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(xdotoolPressAlone)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
