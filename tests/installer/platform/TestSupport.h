#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

// Helpers shared by the platform layer's tests. They run as root, so places
// that must refuse writes are real read-only mounts, and cases that need an
// unprivileged user run in a child process as "nobody".
namespace testsupport {

QByteArray readAll(const QString &path);
void writeAll(const QString &path, const QByteArray &bytes);
// Every entry of a folder, hidden ones included, sorted.
QStringList entriesOf(const QString &folder);
// Permission bits of an entry (links not followed).
unsigned modeOf(const QString &path);

// A mount over a folder, unmounted when the object goes. ok() is false with a
// reason in error() when the system refused to mount.
class Mount
{
public:
    // `folder` bind-mounted onto itself, read-only.
    static Mount readOnlyBind(const QString &folder);
    // A fresh tmpfs with the given options ("size=128k", "ro", ...).
    static Mount tmpfs(const QString &folder, const QString &options);

    Mount(Mount &&other) noexcept;
    Mount &operator=(Mount &&) = delete;
    ~Mount();

    bool ok() const { return m_mounted; }
    QString error() const { return m_error; }

private:
    Mount() = default;
    QByteArray m_folder;
    bool m_mounted = false;
    QString m_error;
};

constexpr unsigned NobodyId = 65534;

// Runs `body` in a child process as user and group nobody and returns what it
// returns (its exit status; 255 when it raised anything but PlatformError,
// whose number it returns instead).
int runAsNobody(const std::function<int()> &body);

// Hands a tree over to nobody (chown -R).
void giveToNobody(const QString &path);

} // namespace testsupport
