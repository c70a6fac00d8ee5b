#pragma once

#include "PlatformError.h"
#include "Shortcut.h"

#include <QString>

namespace platform {

// The installer's shell operations: the user's special folders and shortcut
// files. Holds no state: create one where it is needed.
class Shell
{
public:
    // The full path of a special folder, without a trailing separator; the
    // folder exists when this returns (it is created when missing).
    //   "AppData": $XDG_DATA_HOME when set to an absolute path, else
    //              $HOME/.local/share (created with mode 0700)
    //   "desktop": the XDG desktop folder (QStandardPaths::DesktopLocation)
    // Names compare case-insensitively. Raises PlatformError 5 for any other
    // name, and the error of the folder's creation (70, 76, ...) when it is
    // missing and cannot be created.
    QString SpecialFolders(const QString &name) const;

    // A shortcut object for the file `path`; nothing is written until
    // Shortcut::Save().
    Shortcut CreateShortcut(const QString &path) const { return Shortcut(path); }
};

} // namespace platform
