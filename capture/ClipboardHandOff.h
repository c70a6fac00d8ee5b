#pragma once

#include "CaptureOutcome.h"

#include <functional>

// Runs the capture (window, event loop) under a QApplication and returns how it ended.
using CaptureSession = std::function<CaptureOutcome()>;

// Work for the process that runs the session, started before its QApplication
// exists so that it overlaps the application's start-up.
using SessionStart = std::function<void()>;

// Creates the QApplication, runs session and returns the exit status for main().
// Call it from main() before any QApplication exists. beforeApplication, when
// given, runs first, in the process that then runs the session.
//
// On X11 and on Wayland a clipboard lives in the process that set it. So there the session runs
// in a forked child: the process the caller started ends with the session's
// status as soon as the session returns, while the child, detached from the
// caller (own session, standard streams on /dev/null, no window), keeps serving
// the picture until another program takes the clipboard, or hands it to a
// running clipboard manager and ends. Likewise the work a session leaves in its outcome's
// afterReport runs detached, once the caller has the status. Elsewhere the session runs in
// this process.
int runCaptureKeepingClipboard(int &argc, char **argv, const CaptureSession &session,
    const SessionStart &beforeApplication = {});
