#include "TestSupport.h"

#include "platform/PlatformError.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>

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
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
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

Mount Mount::readOnlyBind(const QString &folder)
{
    Mount mount;
    mount.m_folder = QFile::encodeName(folder);
    const char *target = mount.m_folder.constData();
    if (::mount(target, target, nullptr, MS_BIND, nullptr) != 0) {
        mount.m_error = QStringLiteral("bind mount refused: %1").arg(strerror(errno));
        return mount;
    }
    mount.m_mounted = true;
    if (::mount(nullptr, target, nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
        mount.m_error = QStringLiteral("read-only remount refused: %1").arg(strerror(errno));
    if (!mount.m_error.isEmpty()) {
        ::umount2(target, MNT_DETACH);
        mount.m_mounted = false;
    }
    return mount;
}

Mount Mount::tmpfs(const QString &folder, const QString &options)
{
    Mount mount;
    mount.m_folder = QFile::encodeName(folder);
    const QByteArray data = options.toUtf8();
    unsigned long flags = 0;
    if (options.split(QLatin1Char(',')).contains(QLatin1String("ro")))
        flags |= MS_RDONLY;
    if (::mount("tmpfs", mount.m_folder.constData(), "tmpfs", flags, data.constData()) != 0)
        mount.m_error = QStringLiteral("tmpfs mount refused: %1").arg(strerror(errno));
    else
        mount.m_mounted = true;
    return mount;
}

Mount::Mount(Mount &&other) noexcept
    : m_folder(std::move(other.m_folder))
    , m_mounted(std::exchange(other.m_mounted, false))
    , m_error(std::move(other.m_error))
{ }

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
            } catch (...) {
                status = 255;
            }
        }
        ::_exit(status);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) { }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 255;
}

void giveToNobody(const QString &path)
{
    namespace fs = std::filesystem;
    const fs::path root(QFile::encodeName(path).toStdString());
    auto chownOne = [](const fs::path &p) {
        if (::lchown(p.c_str(), NobodyId, NobodyId) != 0)
            throw std::runtime_error("chown failed: " + p.string());
    };
    chownOne(root);
    for (const auto &entry : fs::recursive_directory_iterator(root))
        chownOne(entry.path());
}

} // namespace testsupport
