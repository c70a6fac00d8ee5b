#include "TestSupport.h"

#include "platform/PlatformError.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <cerrno>
#include <cstring>
#include <grp.h>
#include <stdexcept>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    return file.readAll();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

unsigned modeOf(const QString &path)
{
    struct stat info;
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        throw std::runtime_error("cannot stat " + path.toStdString());
    return info.st_mode & 07777;
}

Mount::Mount(const QString &folder, const QByteArray &tmpfsOptions)
    : m_folder(QFile::encodeName(folder))
{
    const char *target = m_folder.constData();
    if (!tmpfsOptions.isEmpty()) {
        m_mounted = ::mount("tmpfs", target, "tmpfs", 0, tmpfsOptions.constData()) == 0;
    } else if (::mount(target, target, nullptr, MS_BIND, nullptr) == 0) {
        m_mounted = true;
        if (::mount(nullptr, target, nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
            m_error = std::string("read-only remount refused: ") + std::strerror(errno);
            ::umount2(target, MNT_DETACH);
            m_mounted = false;
        }
    }
    if (!m_mounted && m_error.empty())
        m_error = std::string("mount refused: ") + std::strerror(errno);
}

Mount::~Mount()
{
    if (m_mounted && ::umount2(m_folder.constData(), 0) != 0)
        ::umount2(m_folder.constData(), MNT_DETACH);
}

int runAsNobody(const std::function<int()> &body)
{
    const pid_t child = ::fork();
    if (child < 0)
        throw std::runtime_error("fork failed");
    if (child == 0) {
        int status = 255;
        if (::setgroups(0, nullptr) == 0 && ::setresgid(NobodyId, NobodyId, NobodyId) == 0
            && ::setresuid(NobodyId, NobodyId, NobodyId) == 0) {
            try {
                status = body();
            } catch (const platform::PlatformError &error) {
                status = error.number();
            } catch (...) { }
        }
        ::_exit(status);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) { }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 255;
}

void giveToNobody(const QString &path)
{
    if (QProcess::execute(
            QStringLiteral("chown"), {QStringLiteral("-R"), QStringLiteral("65534:65534"), path})
        != 0)
        throw std::runtime_error("chown failed: " + path.toStdString());
}

} // namespace testsupport
