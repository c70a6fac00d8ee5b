#include "Shell.h"

#include "AtomicFile.h"
#include "IconConverter.h"
#include "MakePath.h"
#include "NativePath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace platform {

namespace {

// An icon file is a few kilobytes; anything far larger is no icon.
constexpr qint64 maxIconFileBytes = 16 * 1024 * 1024;
// gio returns at once; one stuck on a missing session bus must not hold the installer.
constexpr int trustTimeoutMs = 5000;

QString withoutTrailingSeparators(const QString &path)
{
    return native::decode(native::withoutTrailingSeparators(native::encode(path)));
}

QString dataFolder()
{
    const QString configured = qEnvironmentVariable("XDG_DATA_HOME");
    // Relative values are invalid by the XDG rules and ignored.
    if (QDir::isAbsolutePath(configured))
        return configured;
    return QDir::homePath() + QStringLiteral("/.local/share");
}

} // namespace

QString Shell::SpecialFolders(const QString &name, bool create) const
{
    QString folder;
    mode_t mode = 0777;
    if (name.compare(QLatin1String("AppData"), Qt::CaseInsensitive) == 0) {
        folder = dataFolder();
        mode = 0700;
    } else if (name.compare(QLatin1String("desktop"), Qt::CaseInsensitive) == 0) {
        folder = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    } else {
        throw PlatformError(PlatformError::InvalidArgument, QStringLiteral("SpecialFolders"), name,
            QStringLiteral("unknown special folder"));
    }
    folder = withoutTrailingSeparators(folder);
    if (create)
        makePath(folder, mode, QStringLiteral("SpecialFolders"));
    return folder;
}

void Shell::SaveDesktopEntry(const QString &path, const DesktopEntry &entry, bool executable) const
{
    const QString operation = QStringLiteral("Save");
    const auto holdsNul = [](const QString &text) {
        return text.contains(QChar(0));
    };
    bool nul = holdsNul(entry.program) || holdsNul(entry.workingFolder);
    for (const DesktopAction &action : entry.actions)
        nul = nul || holdsNul(action.program);
    if (nul)
        throw PlatformError(PlatformError::BadFileName, operation, path,
            QStringLiteral("a path holds a NUL character"));
    makePath(native::decode(native::parentOf(native::encode(path))), 0777, operation);
    AtomicFile file(operation, path);
    file.write(DesktopEntryWriter::build(entry));
    file.setPermissions(executable ? 0755 : 0644);
    file.commit(AtomicFile::Replace::Existing);
}

std::optional<QString> Shell::SaveThemeIcon(
    const QString &iconFile, const QString &dataHome, const QString &name) const
{
    // Only a regular file: opening a pipe would wait for a writer.
    QFile file(iconFile);
    if (!QFileInfo(iconFile).isFile() || file.size() > maxIconFileBytes
        || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const std::optional<PngIcon> icon = largestIconAsPng(file.readAll());
    if (!icon)
        return std::nullopt;

    const QString operation = QStringLiteral("SaveIcon");
    const QString folder = dataHome + QStringLiteral("/icons/hicolor/%1x%1/apps").arg(icon->size);
    makePath(folder, 0777, operation);
    const QString target = folder + u'/' + name + QStringLiteral(".png");
    AtomicFile png(operation, target);
    png.write(icon->png);
    png.setPermissions(0644);
    png.commit(AtomicFile::Replace::Existing);
    return target;
}

void Shell::MarkTrusted(const QString &path) const
{
    const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
    if (gio.isEmpty())
        return;
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(gio,
        {QStringLiteral("set"), path, QStringLiteral("metadata::trusted"), QStringLiteral("true")});
    if (process.waitForStarted() && !process.waitForFinished(trustTimeoutMs)) {
        process.kill();
        process.waitForFinished();
    }
}

} // namespace platform
