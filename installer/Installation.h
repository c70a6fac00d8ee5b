#pragma once

#include "InstallerFolders.h"
#include "Launchers.h"

#include <QString>
#include <QStringList>

// The steps of one installation of the package (the folder "base" beside the program) into an
// install folder, with no window: the checks made before anything is written, the scan that
// creates the folder tree and lists the files, the copy of one listed file, and the finish. The
// installer window paces the copies with its timer; the unattended run makes them at once. Every
// step that fails raises platform::PlatformError; what was done before it stays done.
class Installation
{
public:
    explicit Installation(InstallerFolders folders);

    const InstallerFolders &folders() const { return m_folders; }
    QString packageFolder() const;
    // The install folder as the scan took it, for the copies and the finish.
    QString installFolder() const { return m_installFolder; }

    // Why an installation into `folder` may not start, in the window's words, or the null text
    // when it may. In this order: no agreement, no vexa.exe in the package, a relative folder
    // (it would name another place in the settings file and the shortcut), a folder that is the
    // package or lies inside it (the package would be copied into itself and deleted with it).
    // Reads only, writes nothing.
    QString refusal(bool agreed, const QString &folder) const;

    // Walks the package once: creates `folder` and every folder of the package below it, and
    // returns the manifest, one entry per file, its path relative to the package led by a
    // separator ("/vexa.exe", "/R/S/B"), a folder's files before its sub-folders'. Links to
    // folders are never followed; a file link that leads outside the package is refused.
    QStringList scan(const QString &folder);

    // Copies one manifest entry from the package into the scanned folder, checking again that
    // it does not lead outside the package (which may have changed since the scan).
    void copy(const QString &entry) const;

    // The finish after the last copy: the launchers (see writeLaunchers), the settings file
    // naming the folder as it was given, the record of what the installation wrote (see
    // InstallRecord), which replaces an earlier installation's there after removing what only
    // that one had, then the package's removal unless `keepPackage`.
    void finish(bool keepPackage) const;

private:
    void getflowstr(const QString &ppt, const QString &topath, QStringList &manifest);
    void record(const WrittenLaunchers &launchers, const QString &settingsFile) const;

    InstallerFolders m_folders;
    QString m_installFolder;
    QStringList m_manifest;
    // Every folder of the package, relative to it without a leading separator ("res/skin").
    QStringList m_packageFolders;
};
