#pragma once

#include <QList>
#include <QString>

namespace platform {

class FileSystem;

// A file found in a folder: its own name and the path it was reached by.
class File
{
public:
    // The file's own name, without any path.
    QString Name() const { return m_name; }
    // The folder's path as given, a separator, and the name.
    QString Path() const { return m_path; }

private:
    friend class Folder;
    File(const QString &name, const QString &path) : m_name(name), m_path(path) { }

    QString m_name;
    QString m_path;
};

// A folder handed out by FileSystem::GetFolder() or Folder::SubFolders().
// It holds only the path; the listings are read from the disk at each call.
class Folder
{
public:
    // The folder's own name, without any path or trailing separator.
    QString Name() const;
    // The path as given to GetFolder() (sub-folders: parent path, separator,
    // name). Nothing is normalised.
    QString Path() const { return m_path; }

    // The folder's files: regular files and symbolic links to regular files.
    // Sorted by name (byte order of the names), so every walk is repeatable.
    // Raises PlatformError 76 when the folder is gone, 70 when it cannot be
    // read.
    QList<File> Files() const;

    // The folder's direct sub-folders, sorted like Files(). A symbolic link
    // to a folder is never listed (a walk must not leave the tree through
    // it); neither are links to nothing, sockets, pipes or devices.
    QList<Folder> SubFolders() const;

private:
    friend class FileSystem;
    explicit Folder(const QString &path) : m_path(path) { }

    QString childPath(const QString &name) const;

    QString m_path;
};

} // namespace platform
