#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <sys/types.h>

namespace platform {

// Internal: removes a folder tree for FileSystem::DeleteFolder() without ever
// following a symbolic link. Every step works relative to an open descriptor
// of the folder being emptied, and every entry is examined without following
// links, so a link (or a link swapped in while the walk runs) is only
// unlinked.
class TreeRemoval
{
public:
    TreeRemoval(const QString &operation, bool force);
    void removeFolder(const QString &path);

private:
    void removeEntry(int parentFd, const QByteArray &name, const QString &shownPath);
    void removeFolderBelow(
        int parentFd, const QByteArray &name, const QString &shownPath, mode_t mode);
    [[noreturn]] void fail(int errnoValue, const QString &shownPath) const;

    QString m_operation;
    bool m_force;
    dev_t m_device = 0;
};

} // namespace platform
