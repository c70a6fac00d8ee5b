#pragma once

#include <QString>

// The folders the installer works with, given to its window so tests can use their own.
struct InstallerFolders
{
    QString programFolder; // the installer's own folder; the package lies beside it
    QString dataFolder; // the user's application-data folder (settings file, menu entry, icon)
    QString desktopFolder; // the user's desktop (receives the shortcut and a desktop entry)
};

// The real folders of this user and program, without trailing separators. The data and desktop
// folders are the shell's special folders, created when missing unless `create` is false; raises
// platform::PlatformError when one cannot be.
InstallerFolders systemInstallerFolders(bool create = true);
