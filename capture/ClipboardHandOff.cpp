#include "ClipboardHandOff.h"

#include "ClipboardKeeper.h"

#include <QApplication>
#include <QByteArray>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Qt picks its platform only when the QApplication is created, but the fork
// must come before that; this mirrors Qt's choice closely enough. The child
// checks the real platform again before it stays.
bool mayServeOwnSelection(int argc, char **argv)
{
    QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    for (int i = 1; i + 1 < argc; ++i) {
        if (qstrcmp(argv[i], "-platform") == 0 || qstrcmp(argv[i], "--platform") == 0)
            platform = argv[i + 1];
    }
    if (!platform.isEmpty())
        return platform.startsWith("xcb") || platform.startsWith("wayland");
    return !qEnvironmentVariableIsEmpty("DISPLAY")
        || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// Leaves the caller's session and terminal, and lets go of the caller's
// pipes and working folder, so nothing the caller waits on stays open.
void detachFromCaller()
{
    setsid();
    const int devNull = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (devNull >= 0) {
        for (int stream : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO})
            dup2(devNull, stream);
        close(devNull);
    }
    if (chdir("/") != 0)
        return; // the folder stays pinned; nothing else depends on it
}

void reportStatus(int reportFd, int status)
{
    if (reportFd < 0)
        return;
    // A caller that is already gone must not take the keeper with it.
    struct sigaction ignore = {};
    struct sigaction previous = {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &previous);
    const auto byte = static_cast<unsigned char>(status);
    while (write(reportFd, &byte, 1) < 0 && errno == EINTR) { }
    sigaction(SIGPIPE, &previous, nullptr);
    close(reportFd);
}

// The capture side: runs the session, reports its status, then keeps the
// clipboard alive when it must. reportFd is -1 when running in-process.
int runSession(int &argc, char **argv, const CaptureSession &session,
    const SessionStart &beforeApplication, int reportFd)
{
    if (beforeApplication)
        beforeApplication();
    QApplication app(argc, argv);
    const ClipboardKeeper::SelectionWatch selection;
    const CaptureOutcome outcome = session();

    const bool keepsClipboard
        = reportFd >= 0 && outcome.clipboardSet && ClipboardKeeper::servesOwnSelection();
    if (reportFd >= 0 && (keepsClipboard || outcome.afterReport))
        detachFromCaller();
    reportStatus(reportFd, outcome.exitStatus);
    if (keepsClipboard)
        ClipboardKeeper::keepPicture(selection);
    if (outcome.afterReport)
        outcome.afterReport();
    return outcome.exitStatus;
}

// The caller's side: the status the child reports, or, when it ended without
// a report, a failure derived from how it ended.
int awaitStatus(pid_t child, int reportFd)
{
    unsigned char byte = 0;
    ssize_t got;
    do {
        got = read(reportFd, &byte, 1);
    } while (got < 0 && errno == EINTR);
    close(reportFd);
    if (got == 1)
        return byte;

    int waitStatus = 0;
    pid_t waited;
    do {
        waited = waitpid(child, &waitStatus, 0);
    } while (waited < 0 && errno == EINTR);
    if (waited != child)
        return 1;
    if (WIFEXITED(waitStatus) && WEXITSTATUS(waitStatus) != 0)
        return WEXITSTATUS(waitStatus);
    if (WIFSIGNALED(waitStatus))
        return 128 + WTERMSIG(waitStatus);
    return 1;
}

} // namespace

int runCaptureKeepingClipboard(
    int &argc, char **argv, const CaptureSession &session, const SessionStart &beforeApplication)
{
    if (!mayServeOwnSelection(argc, argv))
        return runSession(argc, argv, session, beforeApplication, -1);

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return runSession(argc, argv, session, beforeApplication, -1);
    const pid_t child = fork();
    if (child < 0) {
        close(fds[0]);
        close(fds[1]);
        return runSession(argc, argv, session, beforeApplication, -1);
    }
    if (child == 0) {
        close(fds[0]);
        return runSession(argc, argv, session, beforeApplication, fds[1]);
    }
    close(fds[1]);
    return awaitStatus(child, fds[0]);
}
