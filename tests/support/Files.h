#pragma once

#include <QDir>
#include <QFile>

#include <stdexcept>
#include <sys/stat.h>

namespace testsupport {

inline QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    return file.readAll();
}

inline void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

// Every entry of a folder, hidden ones included, sorted by name.
inline QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// Permission bits of an entry (a link is not followed).
inline unsigned modeOf(const QString &path)
{
    struct stat info;
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        throw std::runtime_error("cannot stat " + path.toStdString());
    return info.st_mode & 07777;
}

} // namespace testsupport
