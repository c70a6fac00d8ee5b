#pragma once

#include <QString>

// Whether the desktop entry named after `program` in `applicationsFolder`
// ("vexacaptScreen.desktop" for ".../vexacaptScreen", as the installer writes
// it beside the client's menu entry) names that program for KWin's screenshot
// interface the way KWin reads it: the first word of its Exec=, split like a
// command line, is the program (canonical paths compared), and
// X-KDE-DBUS-Restricted-Interfaces holds org.kde.KWin.ScreenShot2.
// A hint whether to ask KWin at all: KWin may still refuse a program (it finds
// entries through KDE's service cache, which may not hold this one yet), but
// without such an entry it refuses for certain, and the portal is then asked
// at once instead.
bool namedForKWinScreenShot(const QString &program, const QString &applicationsFolder);
