#pragma once

#include <QString>

#include <sys/types.h>

namespace platform {

// Internal: creates the folder `path` and any missing parent with `mode`, like
// `mkdir -p`. Raises PlatformError naming `operation` and `path` when a level
// cannot be created or the path ends in something that is not a folder.
void makePath(const QString &path, mode_t mode, const QString &operation);

} // namespace platform
