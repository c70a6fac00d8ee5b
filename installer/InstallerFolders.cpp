#include "InstallerFolders.h"

#include "platform/Shell.h"

#include <QCoreApplication>

InstallerFolders systemInstallerFolders()
{
    const platform::Shell shell;
    return {
        QCoreApplication::applicationDirPath(),
        shell.SpecialFolders(QStringLiteral("AppData")),
        shell.SpecialFolders(QStringLiteral("desktop")),
    };
}
