#include "OutsideFiles.h"

#include "InstallPath.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace {

bool holdsItsContent(const OutsideFile &file)
{
    return contentHash(file.path) == file.sha256;
}

} // namespace

bool isKnownPlace(const OutsideFile &file, const QString &dataFolder, const QString &desktopFolder)
{
    const QFileInfo place(file.path);
    const QString folder = place.path();
    switch (file.kind) {
    case OutsideFile::Kind::Settings:
        return file.path == settingsFilePath(dataFolder);
    case OutsideFile::Kind::Launcher:
        return (folder == desktopFolder || folder == dataFolder + QStringLiteral("/applications"))
            && (file.path.endsWith(QLatin1String(".desktop"))
                || file.path.endsWith(QLatin1String(".lnk")));
    case OutsideFile::Kind::Icon: {
        static const QRegularExpression themeFolder(
            QStringLiteral("^/icons/hicolor/(\\d+)x\\1/apps$"));
        return folder.startsWith(dataFolder)
            && themeFolder.match(folder.mid(dataFolder.size())).hasMatch()
            && file.path.endsWith(QLatin1String(".png"));
    }
    }
    return false;
}

bool stillBelongs(const OutsideFile &file, const InstallRecord &record)
{
    if (!holdsItsContent(file))
        return false;
    if (file.kind != OutsideFile::Kind::Icon)
        return true;
    return std::none_of(record.outside.begin(), record.outside.end(), [](const OutsideFile &other) {
        return other.kind == OutsideFile::Kind::Launcher && entryExists(other.path)
            && !holdsItsContent(other);
    });
}
