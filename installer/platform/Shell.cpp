#include "Shell.h"

#include "NativePath.h"

#include <QDir>
#include <QStandardPaths>

#include <cerrno>
#include <sys/stat.h>

namespace platform {

namespace {

// Creates `path` and any missing parent with `mode`, like `mkdir -p`.
void makePath(const QString &path, mode_t mode)
{
    const QByteArray bytes = native::encode(path);
    for (qsizetype end = 1; end <= bytes.size(); ++end) {
        if (end < bytes.size() && bytes.at(end) != '/')
            continue;
        const QByteArray prefix = bytes.left(end);
        if (prefix.endsWith('/') || ::mkdir(prefix.constData(), mode) == 0 || errno == EEXIST)
            continue;
        throw PlatformError::fromErrno(
            errno, QStringLiteral("SpecialFolders"), path, PlatformError::Subject::Folder);
    }
    struct stat info;
    if (::stat(bytes.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        throw PlatformError(PlatformError::PathNotFound, QStringLiteral("SpecialFolders"), path,
            QStringLiteral("Not a folder"));
}

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

QString Shell::SpecialFolders(const QString &name) const
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
    makePath(folder, mode);
    return folder;
}

} // namespace platform
