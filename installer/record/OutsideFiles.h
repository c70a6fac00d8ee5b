#pragma once

#include "InstallRecord.h"

// Which recorded files outside the install folder may be touched, and which still belong to the
// installation that recorded them.

// Whether `file` lies where this installer writes a file of its kind for the user whose data and
// desktop folders these are: the settings file in the data folder; a launcher (".desktop" or
// ".lnk") in the desktop folder or the application menu; the icon, a PNG, in the data folder's
// hicolor theme. Compared by the text of the paths, "." and ".." never being in one.
bool isKnownPlace(const OutsideFile &file, const QString &dataFolder, const QString &desktopFolder);

// Whether `file` still belongs to the installation of `record`: its place holds a regular file,
// not a link, with the very content written then. A later installation elsewhere rewrites the
// launchers and the settings file with its own folder in them, so these then belong to it. The
// icon is the same picture for every installation and whose it is cannot be told from it: it
// belongs only while no launcher place of `record` holds a file other than the one recorded there
// (another installation's launcher, which shows that icon).
bool stillBelongs(const OutsideFile &file, const InstallRecord &record);
