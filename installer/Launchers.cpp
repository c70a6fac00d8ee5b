#include "Launchers.h"

#include "platform/FileSystem.h"
#include "platform/Shell.h"

#include <QDir>

WrittenLaunchers writeLaunchers(const InstallerFolders &folders, const QString &installFolder)
{
    const QString separator = QDir::separator();
    const QString client = installFolder + separator + QStringLiteral("vexa.exe");
    const QString icon = installFolder + separator + QStringLiteral("favicon.ico");
    const QString uninstaller = installFolder + separator + QStringLiteral("uninstall");
    const platform::Shell shell;
    WrittenLaunchers written;

    platform::Shortcut shortcut
        = shell.CreateShortcut(folders.desktopFolder + separator + QStringLiteral("VEXA.lnk"));
    shortcut.setTargetPath(client);
    shortcut.setIconLocation(icon);
    shortcut.Save();
    written.launchers << shortcut.FullName();

    platform::DesktopEntry entry;
    entry.name = QStringLiteral("VEXA");
    entry.chineseName = QStringLiteral("VEXA即时通信");
    entry.program = client;
    entry.workingFolder = installFolder;
    entry.categories = QStringLiteral("Network;InstantMessaging;");
    if (const std::optional<QString> themeIcon
        = shell.SaveThemeIcon(icon, folders.dataFolder, QStringLiteral("vexa"))) {
        entry.icon = QStringLiteral("vexa");
        written.icon = *themeIcon;
    }
    if (platform::FileSystem().FileExists(uninstaller))
        entry.actions << platform::DesktopAction {
            QStringLiteral("uninstall"), QStringLiteral("卸载 VEXA"), uninstaller};
    // Every desktop entry goes through here, so that the result lists it.
    const auto saveEntry
        = [&](const QString &path, const platform::DesktopEntry &content, bool executable) {
              shell.SaveDesktopEntry(path, content, executable);
              written.launchers << path;
          };

    const QString menu = folders.dataFolder + separator + QStringLiteral("applications");
    saveEntry(menu + separator + QStringLiteral("vexa.desktop"), entry, false);
    saveEntry(menu + separator + QStringLiteral("vexacaptScreen.desktop"),
        captureGrantEntry(installFolder), false);
    const QString onDesktop = folders.desktopFolder + separator + QStringLiteral("vexa.desktop");
    saveEntry(onDesktop, entry, true);
    shell.MarkTrusted(onDesktop);
    return written;
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
