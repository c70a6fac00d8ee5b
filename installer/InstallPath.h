#pragma once

#include <QString>

// Largest settings file taken as a remembered folder; anything longer is not ours.
inline constexpr qsizetype maxSettingsFileSize = 32 * 1024;

// The settings file that remembers the install folder, in the user's data folder.
QString settingsFilePath(const QString &dataFolder);

// The folder proposed when nothing usable is remembered: the data folder plus "vexa".
QString defaultInstallFolder(const QString &dataFolder);

// The install folder to propose: the settings file's first line as written, without its line
// end. No file, anything but a regular file, an empty first line, a file that is not UTF-8 text
// or holds NUL bytes, or one longer than maxSettingsFileSize give the default folder. Never reads
// more than maxSettingsFileSize + 1 bytes and never blocks on a special file. A settings file that
// exists but cannot be opened or read raises platform::PlatformError (operation "OpenTextFile").
QString readInstallPath(const QString &dataFolder);
