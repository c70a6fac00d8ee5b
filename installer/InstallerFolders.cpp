#include "InstallerFolders.h"

#include "platform/Shell.h"

#include <QCoreApplication>

InstallerFolders systemInstallerFolders(bool create)
{
    const platform::Shell shell;
    return {
        QCoreApplication::applicationDirPath(),
        shell.SpecialFolders(QStringLiteral("AppData"), create),
        shell.SpecialFolders(QStringLiteral("desktop"), create),
    };
}
