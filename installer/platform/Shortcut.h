#pragma once

#include <QString>

namespace platform {

// A shortcut file to be written, from Shell::CreateShortcut(). Nothing is
// written until Save().
class Shortcut
{
public:
    // `fullName`: the path of the shortcut file (by convention ending ".lnk").
    explicit Shortcut(const QString &fullName) : m_fullName(fullName) { }

    QString FullName() const { return m_fullName; }

    // The program the shortcut starts, a full path taken as given.
    QString TargetPath() const { return m_targetPath; }
    void setTargetPath(const QString &path) { m_targetPath = path; }

    // The icon file's full path, taken as given (no icon index).
    QString IconLocation() const { return m_iconLocation; }
    void setIconLocation(const QString &path) { m_iconLocation = path; }

    // Writes the Windows Shell Link file (see ShellLinkWriter) at FullName(),
    // replacing an earlier file. The file is written under a temporary name
    // and renamed into place, so the earlier shortcut stays whole if this
    // fails. Raises PlatformError: 76 when the folder is missing, 70 without
    // write access, 75 when FullName() is a folder, 52 when a path holds a
    // NUL character, 5 when the icon location is longer than the format
    // allows.
    void Save() const;

private:
    QString m_fullName;
    QString m_targetPath;
    QString m_iconLocation;
};

} // namespace platform
