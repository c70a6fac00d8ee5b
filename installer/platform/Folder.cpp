#include "Folder.h"

#include "NativePath.h"
#include "PlatformError.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace platform {

namespace {

enum class Kind { File, Folder, Other };

Kind kindOf(const fs::directory_entry &entry)
{
    std::error_code error;
    const fs::file_status own = entry.symlink_status(error);
    if (error)
        return Kind::Other; // vanished while listed
    if (fs::is_directory(own))
        return Kind::Folder;
    if (fs::is_regular_file(own))
        return Kind::File;
    if (fs::is_symlink(own) && fs::is_regular_file(entry.status(error)) && !error)
        return Kind::File;
    return Kind::Other;
}

// Names of the entries of one kind, sorted by their bytes.
QList<QByteArray> namesOf(const QString &folder, Kind wanted, const QString &operation)
{
    std::error_code error;
    fs::directory_iterator it(native::fsPath(folder), error);
    QList<QByteArray> names;
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        if (kindOf(*it) == wanted)
            names.append(QByteArray::fromStdString(it->path().filename().native()));
    }
    if (error)
        throw PlatformError::fromErrno(
            error.value(), operation, folder, PlatformError::Subject::Folder);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

QString Folder::Name() const
{
    const QByteArray path = native::withoutTrailingSeparators(native::encode(m_path));
    return native::decode(path.mid(path.lastIndexOf('/') + 1));
}

QList<File> Folder::Files() const
{
    QList<File> files;
    for (const QByteArray &name : namesOf(m_path, Kind::File, QStringLiteral("Files"))) {
        const QString decoded = native::decode(name);
        files.append(File(decoded, childPath(decoded)));
    }
    return files;
}

QList<Folder> Folder::SubFolders() const
{
    QList<Folder> folders;
    for (const QByteArray &name : namesOf(m_path, Kind::Folder, QStringLiteral("SubFolders")))
        folders.append(Folder(childPath(native::decode(name))));
    return folders;
}

QString Folder::childPath(const QString &name) const
{
    if (m_path.endsWith(QLatin1Char('/')))
        return m_path + name;
    return m_path + QLatin1Char('/') + name;
}

} // namespace platform
