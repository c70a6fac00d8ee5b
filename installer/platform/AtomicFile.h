#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

namespace platform {

// Internal: writes a file under a temporary name beside its target and
// renames it over the target only when everything is written and synced, so a
// reader sees the earlier file or the complete new one, never a part, and a
// failure leaves the earlier file and no temporary file behind.
// Every failure raises PlatformError naming `operation` and the target.
class AtomicFile
{
public:
    enum class Replace { Existing, Never };

    // Creates the temporary file in the target's folder.
    AtomicFile(const QString &operation, const QString &target);
    // Discards the temporary file unless commit() succeeded.
    ~AtomicFile();
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    // The operation named by later errors ("WriteLine", "Close", ...).
    void setOperation(const QString &operation) { m_operation = operation; }

    void write(const char *data, size_t size);
    void write(const QByteArray &bytes) { write(bytes.constData(), size_t(bytes.size())); }

    // Permission bits the file gets on commit. Without a call, a replaced
    // file keeps its own bits and a new one gets the default (0666 less the
    // umask).
    void setPermissions(mode_t mode);

    // Syncs the data and puts the file in place of the target. With
    // Replace::Never an existing target makes it fail with "File already
    // exists" (58) and stay untouched.
    void commit(Replace replace);

    // Removes the temporary file; the target stays as it was.
    void discard() noexcept;

private:
    [[noreturn]] void fail(int errnoValue);

    QString m_operation;
    QString m_target;
    QByteArray m_targetBytes;
    QByteArray m_tempBytes;
    int m_fd = -1;
    bool m_modeSet = false;
    mode_t m_mode = 0;
};

} // namespace platform
