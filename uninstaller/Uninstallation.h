#pragma once

#include "InstallRecord.h"
#include "InstallerFolders.h"

#include <QStringList>

// What removing an installation did, one line per entry, each naming a full path.
struct UninstallReport
{
    QStringList removed;
    QStringList kept; // left in place on purpose, with why: the user's files, another's launchers
    QStringList refused; // record entries naming anything else, never touched
    QStringList failed; // what could not be removed, and why

    bool complete() const { return refused.isEmpty() && failed.isEmpty(); }
    // For the user: "已删除 …" and "保留 …" lines.
    QStringList doneLines() const;
    // "拒绝 …" (a refused record entry) and "未能删除 …" lines.
    QStringList problemLines() const;
};

// The uninstaller program's exit statuses.
enum UninstallerStatus : int {
    StatusRemoved = 0, // everything that belonged to the installation is gone
    StatusIncomplete = 1, // something could not be removed, or record entries were refused
    StatusUsageError = 2,
    StatusNoRecord = 3, // no readable record beside the program: nothing removed
    StatusCancelled = 4, // the window was closed without removing anything
};

// The removal of the installation in `installFolder` (where the uninstaller lies) that its record
// describes (see InstallRecord), for the user whose data and desktop folders `userFolders` names.
//
// It removes the recorded files; then the recorded folders that ended empty, deepest first; the
// recorded launchers, icon and settings file where they lie at their known places and still
// belong to this installation (see stillBelongs); the record; the install folder if it ends
// empty. Nothing is ever reached through a link, and nothing outside the install folder is
// touched but those files. Everything else stays, and is named: the user's own files, what
// belongs to another installation, entries of the record that name anything else. A file that
// cannot be removed is named and the rest goes on; the record then stays, and so do the
// uninstaller and the runtime it starts with (lib/, plugins/, translations/ and qt.conf beside
// it), so that a second run can try again.
class Uninstallation
{
public:
    // `program`: the uninstaller's own file name in `installFolder`. Reads the record: raises
    // platform::PlatformError when there is none, or it cannot be read.
    Uninstallation(QString installFolder, QString program, InstallerFolders userFolders);

    QString installFolder() const { return m_installFolder; }
    // What run() would remove now, as full paths.
    QStringList plan() const;
    UninstallReport run();

private:
    // The recorded files outside that are at their known places and still belong here.
    QList<OutsideFile> belongingOutside() const;
    void removeOutside(UninstallReport &report, const OutsideFile &file,
        const QList<OutsideFile> &belonging) const;
    QString inside(const QString &entry) const;
    // Whether the uninstaller needs `entry` (a recorded file) to start again.
    bool isUninstallersOwn(const QString &entry) const;

    QString m_installFolder;
    QString m_program;
    InstallerFolders m_userFolders;
    RecordReading m_reading;
};
