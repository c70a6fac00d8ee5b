#include "RecordedRemoval.h"

#include "platform/FileDescriptor.h"
#include "platform/NativePath.h"

#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

Removal failed(int error)
{
    return {Removal::Failed, QString::fromLocal8Bit(std::strerror(error))};
}

Removal kept(const QString &why)
{
    return {Removal::Kept, why};
}

// Opens the folder that holds `entry`, name by name from the install folder, following no link.
// Null with `outcome` set when that folder cannot be reached.
std::unique_ptr<platform::FileDescriptor> openParent(
    const QString &installFolder, const QString &entry, Removal &outcome)
{
    auto fd = std::make_unique<platform::FileDescriptor>(::open(
        platform::native::encode(installFolder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd->get() < 0) {
        outcome = errno == ENOENT ? Removal {} : failed(errno);
        return nullptr;
    }
    QStringList names = entry.split(QLatin1Char('/'));
    names.removeLast();
    for (const QString &name : names) {
        auto next = std::make_unique<platform::FileDescriptor>(
            ::openat(fd->get(), platform::native::encode(name).constData(),
                O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (next->get() < 0) {
            if (errno == ENOENT)
                outcome = {};
            else if (errno == ELOOP || errno == ENOTDIR)
                outcome = kept(QStringLiteral("途中的“%1”是链接，或不是文件夹").arg(name));
            else
                outcome = failed(errno);
            return nullptr;
        }
        fd = std::move(next);
    }
    return fd;
}

// Finds what `entry` names without following a link and hands it to `remove`: the folder that
// holds it, its name and what it is. Nothing there is Gone, whenever it is found missing.
Removal removeEntry(const QString &installFolder, const QString &entry,
    const std::function<Removal(int parentFd, const QByteArray &name, mode_t mode)> &remove)
{
    Removal outcome;
    const auto parent = openParent(installFolder, entry, outcome);
    if (!parent)
        return outcome;
    const QByteArray name = platform::native::encode(entry.mid(entry.lastIndexOf(u'/') + 1));
    struct stat info;
    if (::fstatat(parent->get(), name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? Removal {} : failed(errno);
    return remove(parent->get(), name, info.st_mode);
}

// The outcome of an unlinkat that returned `result`.
Removal unlinked(int result)
{
    if (result == 0)
        return {Removal::Removed, {}};
    if (errno == ENOTEMPTY || errno == EEXIST)
        return {Removal::NotEmpty, {}};
    return errno == ENOENT ? Removal {} : failed(errno);
}

} // namespace

Removal removeRecordedFile(const QString &installFolder, const QString &entry)
{
    return removeEntry(installFolder, entry, [](int parentFd, const QByteArray &name, mode_t mode) {
        if (S_ISDIR(mode))
            return kept(QStringLiteral("现在是文件夹"));
        return unlinked(::unlinkat(parentFd, name.constData(), 0));
    });
}

Removal removeRecordedFolder(const QString &installFolder, const QString &entry)
{
    return removeEntry(installFolder, entry, [](int parentFd, const QByteArray &name, mode_t mode) {
        if (!S_ISDIR(mode))
            return kept(QStringLiteral("现在不是文件夹"));
        return unlinked(::unlinkat(parentFd, name.constData(), AT_REMOVEDIR));
    });
}

QStringList deepestFirst(QStringList folders)
{
    std::stable_sort(folders.begin(), folders.end(), [](const QString &a, const QString &b) {
        return a.count(QLatin1Char('/')) > b.count(QLatin1Char('/'));
    });
    return folders;
}
