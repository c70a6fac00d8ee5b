#include "Uninstallation.h"

#include "OutsideFiles.h"
#include "RecordedRemoval.h"
#include "platform/NativePath.h"

#include <QDirIterator>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

QString systemReason()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

QString withWhy(const QString &path, const QString &why)
{
    return QStringLiteral("%1（%2）").arg(path, why);
}

// Notes in `report` what became of `path`.
void account(UninstallReport &report, const QString &path, const Removal &removal)
{
    switch (removal.outcome) {
    case Removal::Removed:
        report.removed << path;
        break;
    case Removal::Kept:
        report.kept << withWhy(path, removal.why);
        break;
    case Removal::Failed:
        report.failed << withWhy(path, removal.why);
        break;
    case Removal::Gone:
    case Removal::NotEmpty: // what it still holds is named among what is left
        break;
    }
}

// Every entry left below `folder` that no removal can name by itself: files, links and empty
// folders, found without following a link.
QStringList leftBelow(const QString &folder)
{
    constexpr QDir::Filters everything
        = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    QStringList left;
    QDirIterator it(folder, everything, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        if (info.isSymLink() || !info.isDir() || QDir(path).isEmpty(everything))
            left << path;
    }
    left.sort();
    return left;
}

} // namespace

QStringList UninstallReport::doneLines() const
{
    QStringList lines;
    for (const QString &path : removed)
        lines << QStringLiteral("已删除 ") + path;
    for (const QString &path : kept)
        lines << QStringLiteral("保留 ") + path;
    return lines;
}

QStringList UninstallReport::problemLines() const
{
    QStringList lines;
    for (const QString &entry : refused)
        lines << QStringLiteral("拒绝 ") + entry;
    for (const QString &path : failed)
        lines << QStringLiteral("未能删除 ") + path;
    return lines;
}

Uninstallation::Uninstallation(QString installFolder, QString program, InstallerFolders userFolders)
    : m_installFolder(std::move(installFolder))
    , m_program(std::move(program))
    , m_userFolders(std::move(userFolders))
    , m_reading(readInstallRecord(m_installFolder))
{ }

QString Uninstallation::inside(const QString &entry) const
{
    return m_installFolder + QLatin1Char('/') + entry;
}

bool Uninstallation::isUninstallersOwn(const QString &entry) const
{
    static const QStringList runtimeFolders {
        QStringLiteral("lib/"), QStringLiteral("plugins/"), QStringLiteral("translations/")};
    return entry == m_program || entry == QLatin1String("qt.conf")
        || std::any_of(runtimeFolders.begin(), runtimeFolders.end(),
            [&entry](const QString &folder) { return entry.startsWith(folder); });
}

QList<OutsideFile> Uninstallation::belongingOutside() const
{
    QList<OutsideFile> belonging;
    for (const OutsideFile &file : m_reading.record.outside) {
        if (isKnownPlace(file, m_userFolders.dataFolder, m_userFolders.desktopFolder)
            && stillBelongs(file, m_reading.record))
            belonging << file;
    }
    return belonging;
}

QStringList Uninstallation::plan() const
{
    QStringList paths;
    for (const QString &file : m_reading.record.files) {
        if (entryExists(inside(file)))
            paths << inside(file);
    }
    for (const QString &folder : deepestFirst(m_reading.record.folders)) {
        if (entryExists(inside(folder)))
            paths << inside(folder);
    }
    for (const OutsideFile &file : belongingOutside())
        paths << file.path;
    return paths;
}

UninstallReport Uninstallation::run()
{
    UninstallReport report;
    report.refused = m_reading.refused;
    // Decided before anything goes: whether the icon belongs depends on the launchers.
    const QList<OutsideFile> belonging = belongingOutside();

    QStringList ownFiles;
    for (const QString &file : m_reading.record.files) {
        if (isUninstallersOwn(file))
            ownFiles << file;
        else
            account(report, inside(file), removeRecordedFile(m_installFolder, file));
    }
    for (const OutsideFile &file : m_reading.record.outside)
        removeOutside(report, file, belonging);

    // Only once nothing failed: else what a second run needs stays.
    const QString record = recordFilePath(m_installFolder);
    QStringList leftForASecondRun {record};
    for (const QString &file : ownFiles) {
        if (report.failed.isEmpty())
            account(report, inside(file), removeRecordedFile(m_installFolder, file));
        leftForASecondRun << inside(file);
    }
    if (report.failed.isEmpty()) {
        if (::unlink(platform::native::encode(record).constData()) == 0)
            report.removed << record;
        else
            report.failed << withWhy(record, systemReason());
    }

    for (const QString &folder : deepestFirst(m_reading.record.folders))
        account(report, inside(folder), removeRecordedFolder(m_installFolder, folder));
    for (const QString &path : leftBelow(m_installFolder))
        report.kept << withWhy(path,
            leftForASecondRun.contains(path) ? QStringLiteral("留待再次卸载")
                                             : QStringLiteral("不是安装的文件"));
    if (::rmdir(platform::native::encode(m_installFolder).constData()) == 0)
        report.removed << m_installFolder;
    return report;
}

void Uninstallation::removeOutside(
    UninstallReport &report, const OutsideFile &file, const QList<OutsideFile> &belonging) const
{
    const bool known = isKnownPlace(file, m_userFolders.dataFolder, m_userFolders.desktopFolder);
    const bool belongs = std::any_of(belonging.begin(), belonging.end(),
        [&file](const OutsideFile &other) { return other.path == file.path; });
    if (!known) {
        report.refused << withWhy(file.path, QStringLiteral("不是安装程序写入文件的位置"));
    } else if (!belongs) {
        if (entryExists(file.path))
            report.kept << withWhy(file.path, QStringLiteral("已改动，或属于另一次安装"));
    } else if (::unlink(platform::native::encode(file.path).constData()) == 0) {
        report.removed << file.path;
    } else if (errno != ENOENT) {
        report.failed << withWhy(file.path, systemReason());
    }
}
