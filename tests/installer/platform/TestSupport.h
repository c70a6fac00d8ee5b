#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

// Helpers of the platform layer's tests. They run as root, so places that
// must refuse writes are real read-only mounts, and cases that need an
// unprivileged user run in a child process as nobody.
namespace testsupport {

QByteArray readAll(const QString &path);
void writeAll(const QString &path, const QByteArray &bytes);
// Every entry of a folder, hidden ones included, sorted by name.
QStringList entriesOf(const QString &folder);
// Permission bits of an entry (a link is not followed).
unsigned modeOf(const QString &path);

// A mount over `folder` for the object's lifetime: the folder itself bound
// read-only, or a fresh tmpfs with `tmpfsOptions` ("size=64k"). ok() is false,
// with the reason in error(), when the system refused.
class Mount
{
public:
    explicit Mount(const QString &folder, const QByteArray &tmpfsOptions = {});
    ~Mount();
    Mount(const Mount &) = delete;
    Mount &operator=(const Mount &) = delete;

    bool ok() const { return m_mounted; }
    std::string error() const { return m_error; }

private:
    QByteArray m_folder;
    bool m_mounted = false;
    std::string m_error;
};

constexpr unsigned NobodyId = 65534;

// Runs `body` in a child process as user and group nobody. Returns its result,
// the number of a PlatformError it raised, or 255 for anything else.
int runAsNobody(const std::function<int()> &body);
// Hands a tree over to nobody (chown -R).
void giveToNobody(const QString &path);

} // namespace testsupport
