#pragma once

#include "InstallerFolders.h"

#include <QString>

// Writes every launcher of the client installed in `installFolder` (the folder as the box held
// it): the shortcut VEXA.lnk on the desktop, the client's icon in the user's icon theme, and the
// desktop entries vexa.desktop in the data folder's "applications" (the application menu) and on
// the desktop. Each file replaces an earlier one whole. Raises platform::PlatformError at the
// first file that cannot be written; a missing or unreadable icon only leaves the icon out.
void writeLaunchers(const InstallerFolders &folders, const QString &installFolder);
