#include "AtomicFile.h"

#include "NativePath.h"
#include "PlatformError.h"

#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

QByteArray randomTag()
{
    const quint64 value = QRandomGenerator::global()->generate64();
    return QByteArray::number(value, 36);
}

} // namespace

AtomicFile::AtomicFile(const QString &operation, const QString &target)
    : m_operation(operation), m_target(target), m_targetBytes(native::encode(target))
{
    const QByteArray folder = native::parentOf(m_targetBytes);
    // A dot name keeps the file out of ordinary listings while it is written.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray candidate = folder + "/.~tmp-" + randomTag();
        const int fd = ::open(
            candidate.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0) {
            m_fd = fd;
            m_tempBytes = candidate;
            return;
        }
        if (errno != EEXIST)
            throw PlatformError::fromErrno(
                errno, m_operation, m_target, PlatformError::Subject::Folder);
    }
    throw PlatformError::fromErrno(EEXIST, m_operation, m_target, PlatformError::Subject::Folder);
}

AtomicFile::~AtomicFile()
{
    discard();
}

void AtomicFile::write(const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(m_fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            fail(errno);
        }
        data += written;
        size -= size_t(written);
    }
}

void AtomicFile::setPermissions(mode_t mode)
{
    m_mode = mode;
    m_modeSet = true;
}

void AtomicFile::commit(Replace replace)
{
    if (!m_modeSet) {
        struct stat existing;
        if (::stat(m_targetBytes.constData(), &existing) == 0 && S_ISREG(existing.st_mode))
            setPermissions(existing.st_mode & 07777);
    }
    if (m_modeSet && ::fchmod(m_fd, m_mode) != 0)
        fail(errno);
    if (::fsync(m_fd) != 0)
        fail(errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        fail(errno);

    int result = 0;
    if (replace == Replace::Existing) {
        result = ::rename(m_tempBytes.constData(), m_targetBytes.constData());
    } else {
        result = ::renameat2(AT_FDCWD, m_tempBytes.constData(), AT_FDCWD, m_targetBytes.constData(),
            RENAME_NOREPLACE);
        if (result != 0 && errno == EINVAL) {
            // File systems without RENAME_NOREPLACE: a hard link fails the same
            // way on an existing target.
            result = ::link(m_tempBytes.constData(), m_targetBytes.constData());
            if (result == 0)
                ::unlink(m_tempBytes.constData());
        }
    }
    if (result != 0)
        fail(errno);
    m_tempBytes.clear();
}

void AtomicFile::discard() noexcept
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_tempBytes.isEmpty()) {
        ::unlink(m_tempBytes.constData());
        m_tempBytes.clear();
    }
}

void AtomicFile::fail(int errnoValue)
{
    discard();
    throw PlatformError::fromErrno(
        errnoValue, m_operation, m_target, PlatformError::Subject::Folder);
}

} // namespace platform
