#pragma once

#include "DesktopEntryWriter.h"
#include "PlatformError.h"
#include "Shortcut.h"

#include <QString>

#include <optional>

namespace platform {

// The installer's shell operations: the user's special folders, shortcut
// files and the freedesktop launchers that Linux desktops start. Holds no
// state: create one where it is needed.
class Shell
{
public:
    // The full path of a special folder, without a trailing separator; the
    // folder exists when this returns (it is created when missing), unless
    // `create` is false, which only says where it is.
    //   "AppData": $XDG_DATA_HOME when set to an absolute path, else
    //              $HOME/.local/share (created with mode 0700)
    //   "desktop": the XDG desktop folder (QStandardPaths::DesktopLocation)
    // Names compare case-insensitively. Raises PlatformError 5 for any other
    // name, and the error of the folder's creation (70, 76, ...) when it is
    // missing and cannot be created.
    QString SpecialFolders(const QString &name, bool create = true) const;

    // A shortcut object for the file `path`; nothing is written until
    // Shortcut::Save().
    Shortcut CreateShortcut(const QString &path) const { return Shortcut(path); }

    // Writes the desktop entry (see DesktopEntryWriter) to the file `path`,
    // creating its folder when missing and replacing an earlier file, with
    // permission bits 0755 when `executable` (file managers start a launcher
    // on the desktop only when it is one), else 0644. Written under a
    // temporary name and renamed into place like Shortcut::Save(), with its
    // errors, under the operation "Save"; 52 when a path of the entry or of
    // one of its actions holds a NUL character.
    void SaveDesktopEntry(const QString &path, const DesktopEntry &entry, bool executable) const;

    // Puts the largest image of the icon file `iconFile` (see
    // largestIconAsPng) into the user's icon theme as
    // `dataHome`/icons/hicolor/<N>x<N>/apps/`name`.png, creating missing
    // folders, and replaces an earlier file there. Returns the file written;
    // nothing, writing nothing, when `iconFile` is missing, unreadable or
    // holds no image. Raises PlatformError under the operation "SaveIcon"
    // when a folder or the file cannot be written.
    std::optional<QString> SaveThemeIcon(
        const QString &iconFile, const QString &dataHome, const QString &name) const;

    // Marks the launcher `path` as trusted for GNOME's desktop (gio set PATH
    // metadata::trusted true) when gio is installed. Never raises: where
    // that metadata cannot be stored, the launcher stays as it is.
    void MarkTrusted(const QString &path) const;
};

} // namespace platform
