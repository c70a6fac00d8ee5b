#pragma once

#include <QString>

// Reads a shortcut file back with two independent readers of the format: lnkinfo (liblnk-utils)
// and exiftool (libimage-exiftool-perl). Both mis-decode characters outside the Basic
// Multilingual Plane, so paths checked with them keep to it.
namespace testsupport {

struct ShortcutReadBack
{
    QString target;
    QString icon;
};

// Adds a test failure naming a reader that is not installed; true when both are there.
bool shortcutReadersPresent();
ShortcutReadBack readWithLnkinfo(const QString &file);
ShortcutReadBack readWithExiftool(const QString &file);

} // namespace testsupport
