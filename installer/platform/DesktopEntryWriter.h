#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace platform {

// A further way to start something that the entry offers, shown when the user right-clicks it
// in a menu or on the desktop.
struct DesktopAction
{
    QString id; // the action's group name, letters, digits and "-" only
    QString name; // Name=
    QString program; // the full path that Exec= starts, without arguments
};

// What a freedesktop desktop entry (a ".desktop" launcher) says about one program.
struct DesktopEntry
{
    QString name; // Name=
    QString chineseName; // Name[zh_CN]=, left out when empty
    QString program; // the full path that Exec= starts, without arguments
    QString workingFolder; // Path=, the folder the program starts in
    QString icon; // Icon=, a name of the icon theme; left out when empty
    QString categories; // Categories=, each one followed by ";"; left out when empty
    QList<DesktopAction> actions = {}; // Actions= and a group for each, in this order
    // A D-Bus interface KWin restricts (X-KDE-DBUS-Restricted-Interfaces=), left out when
    // empty. KWin grants it to a caller whose executable is the first word of such an entry's
    // Exec=, so there Exec= names the program itself, and the entry is hidden from menus
    // (NoDisplay=true): it speaks to the desktop, not to the user.
    QString grantedInterface = {};
};

// Builds the UTF-8 text of a desktop entry of type Application that starts
// entry.program without a terminal. No file work: Shell::SaveDesktopEntry()
// writes the result.
//
// Exec= runs the program through "sh -c 'exec "$0"' PATH" rather than naming
// it first: launchers look the first word up as a program before they turn
// "%%" back into "%", so a path holding "%" would not start, and "env PATH"
// takes a path holding "=" for an assignment. The path is quoted as
// freedesktop.org's desktop entry format asks: double quotes around it, "\" before
// each '"', '`', '$' and '\', then the string-level escapes (every "\"
// doubled, line breaks and tabs as "\n", "\t", "\r") and "%" written "%%".
// Path= gets only the string-level escapes. An action's Exec= is written
// like the entry's own.
//
// An entry that grants an interface starts with Exec="PATH", quoted alike. Its
// program starts through a launcher as long as the path holds no "%", and
// KWin, which splits Exec= at blanks outside double quotes without undoing the
// backslashes, matches it as long as the path holds none of '"', '`', '$', '\'
// and "%" either: blanks and any other characters are fine.
class DesktopEntryWriter
{
public:
    static QByteArray build(const DesktopEntry &entry);
    // The value of Exec= that starts `program` (through sh), as it stands in the file.
    static QString execValue(const QString &program);
    // The value of Exec= that names `program` first, as it stands in the file.
    static QString directExecValue(const QString &program);
};

} // namespace platform
