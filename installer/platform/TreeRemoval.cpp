#include "TreeRemoval.h"

#include "NativePath.h"
#include "PlatformError.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

class DirectoryStream
{
public:
    explicit DirectoryStream(DIR *dir) : m_dir(dir) { }
    ~DirectoryStream()
    {
        if (m_dir)
            ::closedir(m_dir);
    }
    DirectoryStream(const DirectoryStream &) = delete;
    DirectoryStream &operator=(const DirectoryStream &) = delete;
    DIR *get() const { return m_dir; }

private:
    DIR *m_dir;
};

bool isDotOrDotDot(const char *name)
{
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

} // namespace

TreeRemoval::TreeRemoval(const QString &operation, bool force)
    : m_operation(operation), m_force(force)
{ }

void TreeRemoval::removeFolder(const QString &path)
{
    // A trailing separator would make the system follow a link at the end of
    // the path; the entry is meant, not what it points to.
    const QByteArray bytes = native::withoutTrailingSeparators(native::encode(path));
    if (bytes.isEmpty())
        throw PlatformError(PlatformError::PathNotFound, m_operation, path);
    if (bytes == "/")
        throw PlatformError(PlatformError::PermissionDenied, m_operation, path,
            QStringLiteral("the root folder is never removed"));

    struct stat info;
    if (::lstat(bytes.constData(), &info) != 0)
        fail(errno, path);
    if (S_ISLNK(info.st_mode)) {
        struct stat target;
        if (::stat(bytes.constData(), &target) != 0 || !S_ISDIR(target.st_mode))
            throw PlatformError(
                PlatformError::PathNotFound, m_operation, path, QStringLiteral("Not a folder"));
        if (::unlink(bytes.constData()) != 0)
            fail(errno, path);
        return;
    }
    if (!S_ISDIR(info.st_mode))
        throw PlatformError(
            PlatformError::PathNotFound, m_operation, path, QStringLiteral("Not a folder"));
    m_device = info.st_dev;
    removeFolderBelow(AT_FDCWD, bytes, path, info.st_mode);
}

void TreeRemoval::removeEntry(int parentFd, const QByteArray &name, const QString &shownPath)
{
    struct stat info;
    if (::fstatat(parentFd, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT)
            return; // gone meanwhile: nothing left to remove
        fail(errno, shownPath);
    }
    if (S_ISDIR(info.st_mode)) {
        if (info.st_dev != m_device)
            throw PlatformError(PlatformError::PermissionDenied, m_operation, shownPath,
                QStringLiteral("a mounted file system is not entered"));
        removeFolderBelow(parentFd, name, shownPath, info.st_mode);
        return;
    }
    if (!m_force && !S_ISLNK(info.st_mode) && (info.st_mode & S_IWUSR) == 0)
        throw PlatformError(PlatformError::PermissionDenied, m_operation, shownPath,
            QStringLiteral("read-only file"));
    if (::unlinkat(parentFd, name.constData(), 0) != 0 && errno != ENOENT)
        fail(errno, shownPath);
}

void TreeRemoval::removeFolderBelow(
    int parentFd, const QByteArray &name, const QString &shownPath, mode_t mode)
{
    constexpr int openFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    int fd = ::openat(parentFd, name.constData(), openFlags);
    if (fd < 0 && errno == EACCES && m_force) {
        // A folder its owner cannot even read: open it up first.
        if (::fchmodat(parentFd, name.constData(), (mode & 07777) | S_IRWXU, 0) == 0)
            fd = ::openat(parentFd, name.constData(), openFlags);
    }
    if (fd < 0)
        fail(errno, shownPath);
    DirectoryStream dir(::fdopendir(fd));
    if (!dir.get()) {
        const int error = errno;
        ::close(fd);
        fail(error, shownPath);
    }
    // A read-only folder: its entries can only be removed once it is writable.
    if (m_force && (mode & S_IRWXU) != S_IRWXU && ::fchmod(fd, (mode & 07777) | S_IRWXU) != 0)
        fail(errno, shownPath);

    // Names first, removal after: the listing is not disturbed while read.
    QList<QByteArray> names;
    errno = 0;
    while (const dirent *entry = ::readdir(dir.get())) {
        if (!isDotOrDotDot(entry->d_name))
            names.append(QByteArray(entry->d_name));
        errno = 0;
    }
    if (errno != 0)
        fail(errno, shownPath);
    for (const QByteArray &child : names)
        removeEntry(fd, child, shownPath + QLatin1Char('/') + native::decode(child));

    if (::unlinkat(parentFd, name.constData(), AT_REMOVEDIR) != 0)
        fail(errno, shownPath);
}

void TreeRemoval::fail(int errnoValue, const QString &shownPath) const
{
    throw PlatformError::fromErrno(
        errnoValue, m_operation, shownPath, PlatformError::Subject::Folder);
}

} // namespace platform
