#include "Launchers.h"

#include "platform/Shell.h"

#include <QDir>

void writeLaunchers(const InstallerFolders &folders, const QString &installFolder)
{
    const QString separator = QDir::separator();
    const QString client = installFolder + separator + QStringLiteral("vexa.exe");
    const QString icon = installFolder + separator + QStringLiteral("favicon.ico");
    const platform::Shell shell;

    platform::Shortcut shortcut
        = shell.CreateShortcut(folders.desktopFolder + separator + QStringLiteral("VEXA.lnk"));
    shortcut.setTargetPath(client);
    shortcut.setIconLocation(icon);
    shortcut.Save();

    platform::DesktopEntry entry;
    entry.name = QStringLiteral("VEXA");
    entry.chineseName = QStringLiteral("VEXA即时通信");
    entry.program = client;
    entry.workingFolder = installFolder;
    entry.categories = QStringLiteral("Network;InstantMessaging;");
    if (shell.SaveThemeIcon(icon, folders.dataFolder, QStringLiteral("vexa")))
        entry.icon = QStringLiteral("vexa");

    const QString menu = folders.dataFolder + separator + QStringLiteral("applications");
    shell.SaveDesktopEntry(menu + separator + QStringLiteral("vexa.desktop"), entry, false);
    shell.SaveDesktopEntry(menu + separator + QStringLiteral("vexacaptScreen.desktop"),
        captureGrantEntry(installFolder), false);
    const QString onDesktop = folders.desktopFolder + separator + QStringLiteral("vexa.desktop");
    shell.SaveDesktopEntry(onDesktop, entry, true);
    shell.MarkTrusted(onDesktop);
}

platform::DesktopEntry captureGrantEntry(const QString &installFolder)
{
    platform::DesktopEntry entry;
    entry.name = QStringLiteral("VEXA screen capture");
    entry.chineseName = QStringLiteral("VEXA截屏");
    entry.program = installFolder + QDir::separator() + QStringLiteral("vexacaptScreen");
    entry.workingFolder = installFolder;
    entry.grantedInterface = QStringLiteral("org.kde.KWin.ScreenShot2");
    return entry;
}
