#include "EarlierRecord.h"

#include "OutsideFiles.h"
#include "RecordedRemoval.h"
#include "platform/PlatformError.h"

#include <QSet>

#include <algorithm>

InstallRecord takeOverEarlierRecord(const QString &installFolder, InstallRecord fresh,
    const QString &dataFolder, const QString &desktopFolder)
{
    InstallRecord earlier;
    try {
        earlier = readInstallRecord(installFolder).record;
    } catch (const platform::PlatformError &) {
        return fresh; // a first installation here, or a record that says nothing usable
    }

    const QSet<QString> freshFiles(fresh.files.begin(), fresh.files.end());
    const QSet<QString> freshFolders(fresh.folders.begin(), fresh.folders.end());
    for (const QString &file : earlier.files) {
        if (!freshFiles.contains(file)
            && removeRecordedFile(installFolder, file).outcome == Removal::Failed)
            fresh.files << file;
    }
    for (const QString &folder : deepestFirst(earlier.folders)) {
        if (freshFolders.contains(folder))
            continue;
        const Removal removal = removeRecordedFolder(installFolder, folder);
        if (removal.outcome == Removal::Failed || removal.outcome == Removal::NotEmpty)
            fresh.folders << folder;
    }
    for (const OutsideFile &file : earlier.outside) {
        const bool listed = std::any_of(fresh.outside.begin(), fresh.outside.end(),
            [&file](const OutsideFile &other) { return other.path == file.path; });
        if (!listed && isKnownPlace(file, dataFolder, desktopFolder) && stillBelongs(file, earlier))
            fresh.outside << file;
    }
    return fresh;
}
