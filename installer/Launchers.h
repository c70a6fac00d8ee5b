#pragma once

#include "InstallerFolders.h"
#include "platform/DesktopEntryWriter.h"

#include <QString>

// Writes every launcher of the client installed in `installFolder` (the folder as the box held
// it): the shortcut VEXA.lnk on the desktop, the client's icon in the user's icon theme, the
// desktop entries vexa.desktop in the data folder's "applications" (the application menu) and on
// the desktop, and beside the menu's the hidden vexacaptScreen.desktop of captureGrantEntry.
// Each file replaces an earlier one whole. Raises platform::PlatformError at the first file that
// cannot be written; a missing or unreadable icon only leaves the icon out.
void writeLaunchers(const InstallerFolders &folders, const QString &installFolder);

// The hidden desktop entry through which KWin (KDE Plasma's compositor) grants the capture tool
// installed in `installFolder` its own screenshot interface, org.kde.KWin.ScreenShot2: a picture
// without the pointer and without a file.
platform::DesktopEntry captureGrantEntry(const QString &installFolder);
