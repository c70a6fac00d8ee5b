#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cerrno>
#include <cstring>
#include <string>
#include <sys/mount.h>

namespace testsupport {

// A mount over `folder` for the object's lifetime: the folder bound onto itself
// read-only, or a fresh tmpfs with `tmpfsOptions` ("size=64k"). The tests run
// as root, whom file modes do not stop, so an unwritable place must be a mount.
class Mount
{
public:
    explicit Mount(const QString &folder, const QByteArray &tmpfsOptions = {})
        : m_folder(QFile::encodeName(folder))
    {
        const char *target = m_folder.constData();
        const bool tmpfs = !tmpfsOptions.isEmpty();
        m_mounted = tmpfs ? ::mount("tmpfs", target, "tmpfs", 0, tmpfsOptions.constData()) == 0
                          : ::mount(target, target, nullptr, MS_BIND, nullptr) == 0;
        // A binding turns read-only only when remounted.
        m_ok = m_mounted
            && (tmpfs
                || ::mount(nullptr, target, nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr)
                    == 0);
        if (!m_ok)
            m_error = std::string("mount refused: ") + std::strerror(errno);
    }
    ~Mount()
    {
        if (m_mounted && ::umount2(m_folder.constData(), 0) != 0)
            ::umount2(m_folder.constData(), MNT_DETACH);
    }
    Mount(const Mount &) = delete;
    Mount &operator=(const Mount &) = delete;

    bool ok() const { return m_ok; }
    std::string error() const { return m_error; }

private:
    QByteArray m_folder;
    bool m_mounted = false;
    bool m_ok = false;
    std::string m_error;
};

} // namespace testsupport
