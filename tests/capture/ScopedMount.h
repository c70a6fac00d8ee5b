#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// A mount that lasts as long as the object. Mounting needs root, which the
// tests run as; file modes do not stop root, so a mount is the real thing.
class ScopedMount
{
public:
    ScopedMount(const QString &target, const QStringList &arguments) : m_target(target)
    {
        m_mounted
            = QProcess::execute(QStringLiteral("mount"), arguments + QStringList {target}) == 0;
    }
    ~ScopedMount()
    {
        // Lazily when still busy, so the mount never outlives the test.
        if (m_mounted && QProcess::execute(QStringLiteral("umount"), {m_target}) != 0)
            QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), m_target});
    }
    ScopedMount(const ScopedMount &) = delete;
    ScopedMount &operator=(const ScopedMount &) = delete;

    bool isMounted() const { return m_mounted; }

private:
    QString m_target;
    bool m_mounted = false;
};

// A folder made read-only in place, with what it holds, for as long as the
// object lives: bound onto itself, then the binding remounted read-only.
class ReadOnlyFolder
{
public:
    explicit ReadOnlyFolder(const QString &folder) : m_bind(folder, {"--bind", folder})
    {
        m_readOnly = m_bind.isMounted()
            && QProcess::execute(QStringLiteral("mount"), {"-o", "remount,bind,ro", folder}) == 0;
    }

    bool isReadOnly() const { return m_readOnly; }

private:
    ScopedMount m_bind;
    bool m_readOnly = false;
};
