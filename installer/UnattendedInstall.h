#pragma once

#include "CommandLine.h"
#include "ErrorGuard.h"
#include "InstallerFolders.h"

#include <QUrl>

#include <cstdio>
#include <functional>

// The installer program's exit statuses.
enum InstallerStatus : int {
    StatusOk = 0, // installed (or the usage shown, for --help)
    StatusFailed = ErrorGuard::failureStatus, // an error while installing, as in the window
    StatusUsageError = 2,
    StatusRefused = 3, // agreement not accepted, folder refused, package broken
};

// A guard that writes an error's report to `err` in the window's words and lets the caller go on.
ErrorGuard consoleErrorGuard(std::FILE *err);

// The installation that `line` asks for (Mode::Unattended), without a window: the window's
// checks, scan, copies (one after the other, unpaced) and finish, the package removed unless
// `line.keepPackage`, then the report to `reportServer`, waited for until it has gone out (at
// most a few seconds). `findFolders` says where the user's folders are (systemInstallerFolders):
// asked first not to create them, so a refusal writes nothing at all, then to create them once
// the checks have passed. One line per copied file goes to `out`; a refusal or a failure goes to
// `err` in the window's words and ends the run at that step, as in the window. Needs a
// QCoreApplication, not a GUI one. Returns the exit status.
int installUnattended(const CommandLine &line,
    const std::function<InstallerFolders(bool create)> &findFolders, const QUrl &reportServer,
    std::FILE *out, std::FILE *err);
