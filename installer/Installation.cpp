#include "Installation.h"

#include "EarlierRecord.h"
#include "FolderNesting.h"
#include "InstallPath.h"
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
    m_packageFolders.clear();
    getflowstr(QString(), folder, manifest);
    m_installFolder = folder;
    m_manifest = manifest;
    return manifest;
}

void Installation::getflowstr(const QString &ppt, const QString &topath, QStringList &manifest)
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
        m_packageFolders << (ppt + name).mid(1);
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
    const WrittenLaunchers launchers = writeLaunchers(m_folders, m_installFolder);

    const QString settingsFile = settingsFilePath(m_folders.dataFolder);
    platform::TextStream settings = fileSystem.CreateTextFile(settingsFile, true);
    settings.WriteLine(m_installFolder);
    settings.Close();

    record(launchers, settingsFile);

    if (!keepPackage)
        fileSystem.DeleteFolder(packageFolder(), true);
}

void Installation::record(const WrittenLaunchers &launchers, const QString &settingsFile) const
{
    InstallRecord record;
    record.installFolder = m_installFolder;
    for (const QString &entry : m_manifest)
        record.files << entry.mid(1);
    record.folders = m_packageFolders;
    const auto outside = [&record](OutsideFile::Kind kind, const QString &path) {
        // Read back from the disk: what is there now is what a removal must find.
        if (const std::optional<QByteArray> hash = contentHash(path))
            record.outside << OutsideFile {kind, path, *hash};
    };
    for (const QString &launcher : launchers.launchers)
        outside(OutsideFile::Kind::Launcher, launcher);
    if (!launchers.icon.isEmpty())
        outside(OutsideFile::Kind::Icon, launchers.icon);
    outside(OutsideFile::Kind::Settings, settingsFile);

    writeInstallRecord(m_installFolder,
        takeOverEarlierRecord(
            m_installFolder, record, m_folders.dataFolder, m_folders.desktopFolder));
}
