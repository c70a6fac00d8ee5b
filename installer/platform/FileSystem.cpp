#include "FileSystem.h"

#include "AtomicFile.h"
#include "FileDescriptor.h"
#include "NativePath.h"
#include "TreeRemoval.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

using Subject = PlatformError::Subject;

bool statOf(const QString &path, struct stat *info)
{
    return ::stat(native::encode(path).constData(), info) == 0;
}

} // namespace

bool FileSystem::FileExists(const QString &path) const
{
    struct stat info;
    return statOf(path, &info) && !S_ISDIR(info.st_mode);
}

bool FileSystem::FolderExists(const QString &path) const
{
    struct stat info;
    return statOf(path, &info) && S_ISDIR(info.st_mode);
}

void FileSystem::CreateFolder(const QString &path) const
{
    if (::mkdir(native::encode(path).constData(), 0777) != 0)
        throw PlatformError::fromErrno(
            errno, QStringLiteral("CreateFolder"), path, Subject::Folder);
}

Folder FileSystem::GetFolder(const QString &path) const
{
    struct stat info;
    if (!statOf(path, &info))
        throw PlatformError::fromErrno(errno, QStringLiteral("GetFolder"), path, Subject::Folder);
    if (!S_ISDIR(info.st_mode))
        throw PlatformError(PlatformError::PathNotFound, QStringLiteral("GetFolder"), path,
            QStringLiteral("Not a folder"));
    return Folder(path);
}

void FileSystem::CopyFile(const QString &source, const QString &destination) const
{
    const QString operation = QStringLiteral("CopyFile");
    // Non-blocking, so that a pipe given as source fails below instead of
    // waiting for a writer.
    const FileDescriptor in(
        ::open(native::encode(source).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (in.get() < 0)
        throw PlatformError::fromErrno(errno, operation, source, Subject::File);
    struct stat info;
    if (::fstat(in.get(), &info) != 0)
        throw PlatformError::fromErrno(errno, operation, source, Subject::File);
    if (!S_ISREG(info.st_mode))
        throw PlatformError(PlatformError::PathFileAccessError, operation, source,
            QStringLiteral("Not a regular file"));

    AtomicFile out(operation, destination);
    out.setPermissions(info.st_mode & 0777);
    constexpr size_t chunkSize = 256 * 1024;
    QByteArray buffer(qsizetype(chunkSize), Qt::Uninitialized);
    for (;;) {
        const ssize_t got = ::read(in.get(), buffer.data(), chunkSize);
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw PlatformError::fromErrno(errno, operation, source, Subject::File);
        }
        out.write(buffer.constData(), size_t(got));
    }
    out.commit(AtomicFile::Replace::Existing);
}

TextStream FileSystem::CreateTextFile(const QString &path, bool overwrite) const
{
    const QString operation = QStringLiteral("CreateTextFile");
    struct stat info;
    if (::lstat(native::encode(path).constData(), &info) == 0) {
        if (S_ISDIR(info.st_mode))
            throw PlatformError::fromErrno(EISDIR, operation, path, Subject::File);
        if (!overwrite)
            throw PlatformError::fromErrno(EEXIST, operation, path, Subject::File);
    }
    return TextStream(path, overwrite);
}

void FileSystem::DeleteFolder(const QString &path, bool force) const
{
    TreeRemoval(QStringLiteral("DeleteFolder"), force).removeFolder(path);
}

} // namespace platform
