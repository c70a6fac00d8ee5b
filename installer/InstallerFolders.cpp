#include "InstallerFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace {

// $XDG_DATA_HOME when set to an absolute path, else ~/.local/share.
QString dataFolder()
{
    const QString configured = qEnvironmentVariable("XDG_DATA_HOME");
    if (QDir::isAbsolutePath(configured))
        return QDir::cleanPath(configured);
    return QDir::homePath() + QStringLiteral("/.local/share");
}

} // namespace

InstallerFolders systemInstallerFolders()
{
    return {
        QCoreApplication::applicationDirPath(),
        dataFolder(),
        QStandardPaths::writableLocation(QStandardPaths::DesktopLocation),
    };
}
