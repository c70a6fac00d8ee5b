#pragma once

#include <QString>

// A package may hold symbolic links to its own files; their content is installed like any other
// file. A link that resolves outside the package must never bring outside content in.

// Raises platform::PlatformError 75 (Path/File access error), naming `operation` and `file`, when
// `file` resolves through symbolic links to a place outside the folder `package` (which may itself
// be reached through a link). An entry that does not resolve at all is left to the caller's next
// step, which reports it in its own terms.
void refuseOutsidePackage(const QString &package, const QString &file, const QString &operation);
