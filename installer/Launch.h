#pragma once

#include <QString>
#include <QUrl>

// How the installer hands work to other programs. Neither waits for the program it starts.

// Starts `program` with no arguments as a process of its own, detached: never waited for, and it
// outlives the installer. The path goes to the system as it is, so blanks and any other
// characters need no quoting. Raises platform::PlatformError "StartProcess" when it cannot start:
// 53 when the file is missing, 70 when it may not be executed, 5 when it is no program the
// system can run.
void startDetachedProgram(const QString &program);

// Hands `url` to the desktop's default application for it (a local file to its viewer, a web
// address to the browser). Returns at once; false when nothing on the desktop took it.
bool openWithDesktop(const QUrl &url);
