#include "MakePath.h"

#include "NativePath.h"
#include "PlatformError.h"

#include <cerrno>
#include <sys/stat.h>

namespace platform {

void makePath(const QString &path, mode_t mode, const QString &operation)
{
    const QByteArray bytes = native::encode(path);
    for (qsizetype end = 1; end <= bytes.size(); ++end) {
        if (end < bytes.size() && bytes.at(end) != '/')
            continue;
        const QByteArray prefix = bytes.left(end);
        if (prefix.endsWith('/') || ::mkdir(prefix.constData(), mode) == 0 || errno == EEXIST)
            continue;
        throw PlatformError::fromErrno(errno, operation, path, PlatformError::Subject::Folder);
    }
    struct stat info;
    if (::stat(bytes.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        throw PlatformError(
            PlatformError::PathNotFound, operation, path, QStringLiteral("Not a folder"));
}

} // namespace platform
