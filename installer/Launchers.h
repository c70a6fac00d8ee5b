#pragma once

#include "InstallerFolders.h"
#include "platform/DesktopEntryWriter.h"

#include <QString>
#include <QStringList>

// The files writeLaunchers wrote, where they are: what the installation records, so that its
// removal takes them away again.
struct WrittenLaunchers
{
    QStringList launchers; // shortcut and desktop entries
    QString icon; // the client's icon in the user's icon theme; empty when none was written
};

// Writes every launcher of the client installed in `installFolder` (the folder as the box held
// it): the shortcut VEXA.lnk on the desktop, the client's icon in the user's icon theme, the
// desktop entries vexa.desktop in the data folder's "applications" (the application menu) and on
// the desktop, and beside the menu's the hidden vexacaptScreen.desktop of captureGrantEntry.
// When the folder holds the uninstaller, the client's entries offer it as an action,
// "卸载 VEXA". Each file replaces an earlier one whole. Raises platform::PlatformError at the
// first file that cannot be written; a missing or unreadable icon only leaves the icon out.
// Every file written is in the result.
WrittenLaunchers writeLaunchers(const InstallerFolders &folders, const QString &installFolder);

// The hidden desktop entry through which KWin (KDE Plasma's compositor) grants the capture tool
// installed in `installFolder` its own screenshot interface, org.kde.KWin.ScreenShot2: a picture
// without the pointer and without a file.
platform::DesktopEntry captureGrantEntry(const QString &installFolder);
