#include "Installation.h"

#include "FolderNesting.h"
#include "InstallPath.h"
#include "Launchers.h"
#include "PackageLinks.h"
#include "platform/FileSystem.h"

#include <QDir>
#include <QFileInfo>

#include <utility>

Installation::Installation(InstallerFolders folders) : m_folders(std::move(folders)) { }

QString Installation::packageFolder() const
{
    return m_folders.programFolder + QDir::separator() + QStringLiteral("base");
}

QString Installation::refusal(bool agreed, const QString &folder) const
{
    if (!agreed)
        return QStringLiteral("请先同意安装协议");
    if (!platform::FileSystem().FileExists(
            packageFolder() + QDir::separator() + QStringLiteral("vexa.exe")))
        return QStringLiteral("安装程序已损坏，请重新下载");
    if (QDir::isRelativePath(folder))
        return QStringLiteral("安装路径必须是完整路径（以 %1 开头），请另选一个文件夹")
            .arg(QDir::separator());
    if (isSameOrInside(folder, packageFolder()))
        return QStringLiteral("不能安装到安装包文件夹 base 或其中的文件夹：安装结束时会删除它。"
                              "请另选一个文件夹");
    return {};
}

QStringList Installation::scan(const QString &folder)
{
    QStringList manifest;
    getflowstr(QString(), folder, manifest);
    m_installFolder = folder;
    return manifest;
}

void Installation::getflowstr(
    const QString &ppt, const QString &topath, QStringList &manifest) const
{
    const platform::FileSystem fileSystem;
    // Below the top the separator after "base" is doubled; the file system takes it as one.
    const QString source = packageFolder() + QDir::separator() + ppt;
    if (!fileSystem.FolderExists(topath))
        fileSystem.CreateFolder(topath);

    const platform::Folder folder = fileSystem.GetFolder(source);
    for (const platform::File &file : folder.Files()) {
        if (QFileInfo(file.Path()).isSymLink())
            refuseOutsidePackage(packageFolder(), file.Path(), QStringLiteral("ScanPackage"));
        manifest.append(ppt + QDir::separator() + file.Name());
    }
    // SubFolders never lists a link to a folder, so the walk stays inside the package and ends.
    for (const platform::Folder &subFolder : folder.SubFolders()) {
        const QString name = QDir::separator() + subFolder.Name();
        getflowstr(ppt + name, topath + name, manifest);
    }
}

void Installation::copy(const QString &entry) const
{
    const QString source = packageFolder() + entry;
    refuseOutsidePackage(packageFolder(), source, QStringLiteral("CopyFile"));
    platform::FileSystem().CopyFile(source, m_installFolder + entry);
}

void Installation::finish(bool keepPackage) const
{
    const platform::FileSystem fileSystem;
    writeLaunchers(m_folders, m_installFolder);

    platform::TextStream settings
        = fileSystem.CreateTextFile(settingsFilePath(m_folders.dataFolder), true);
    settings.WriteLine(m_installFolder);
    settings.Close();

    if (!keepPackage)
        fileSystem.DeleteFolder(packageFolder(), true);
}
