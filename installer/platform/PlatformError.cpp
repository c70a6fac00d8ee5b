#include "PlatformError.h"

#include <cerrno>
#include <cstring>

namespace platform {

PlatformError::PlatformError(
    int number, const QString &operation, const QString &path, const QString &reason)
    : m_number(number), m_operation(operation), m_path(path)
{
    m_description = QStringLiteral("%1 \"%2\": %3").arg(operation, path, standardText(number));
    if (!reason.isEmpty())
        m_description += QStringLiteral(" (%1)").arg(reason);
    m_what = QStringLiteral("%1: %2").arg(number).arg(m_description).toUtf8();
}

PlatformError PlatformError::fromErrno(
    int errnoValue, const QString &operation, const QString &path, Subject subject)
{
    return PlatformError(numberForErrno(errnoValue, subject), operation, path,
        QString::fromLocal8Bit(std::strerror(errnoValue)));
}

int PlatformError::numberForErrno(int errnoValue, Subject subject)
{
    switch (errnoValue) {
    case ENOENT:
        return subject == Subject::File ? FileNotFound : PathNotFound;
    case ENOTDIR:
    case ELOOP:
        return PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EBUSY:
    case ETXTBSY:
    case ENOTEMPTY:
        return PermissionDenied;
    case EEXIST:
        return FileAlreadyExists;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return DiskFull;
    case EIO:
        return DeviceIOError;
    case ENAMETOOLONG:
    case EINVAL:
    case EILSEQ:
        return BadFileName;
    default:
        return PathFileAccessError;
    }
}

QString PlatformError::standardText(int number)
{
    switch (number) {
    case InvalidArgument:
        return QStringLiteral("Invalid procedure call or argument");
    case BadFileName:
        return QStringLiteral("Bad file name or number");
    case FileNotFound:
        return QStringLiteral("File not found");
    case BadFileMode:
        return QStringLiteral("Bad file mode");
    case DeviceIOError:
        return QStringLiteral("Device I/O error");
    case FileAlreadyExists:
        return QStringLiteral("File already exists");
    case DiskFull:
        return QStringLiteral("Disk full");
    case PermissionDenied:
        return QStringLiteral("Permission denied");
    case PathFileAccessError:
        return QStringLiteral("Path/File access error");
    case PathNotFound:
        return QStringLiteral("Path not found");
    default:
        return QStringLiteral("Error %1").arg(number);
    }
}

} // namespace platform
