#pragma once

#include "CaptureOutcome.h"

#include <functional>

// Runs the capture (window, event loop) under a QApplication and returns how it ended.
using CaptureSession = std::function<CaptureOutcome()>;
// Work for the process that runs the session, before its QApplication exists.
using BeforeApplication = std::function<void()>;

// Runs beforeApplication, creates the QApplication, runs session and returns
// the exit status for main(). Call it from main() before any QApplication exists.
//
// On X11 a clipboard lives in the process that set it. So there the session runs
// in a forked child: the process the caller started ends with the session's
// status as soon as the session returns, while the child, detached from the
// caller (own session, standard streams on /dev/null, no window), keeps serving
// the picture until another program takes the clipboard, or hands it to a
// running clipboard manager and ends. Elsewhere the session runs in this process.
int runCaptureKeepingClipboard(int &argc, char **argv, const BeforeApplication &beforeApplication,
    const CaptureSession &session);
