#include "InstallPath.h"

#include "platform/FileDescriptor.h"
#include "platform/PlatformError.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringDecoder>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString settingsFileName = QStringLiteral("vexaconfig.txt");

[[noreturn]] void raiseReadError(const QString &file, int error)
{
    throw platform::PlatformError::fromErrno(
        error, QStringLiteral("OpenTextFile"), file, platform::PlatformError::Subject::File);
}

// Reads at most `limit` bytes; fewer only at the end of the file.
QByteArray readAtMost(int fd, qsizetype limit, const QString &file)
{
    QByteArray data(limit, Qt::Uninitialized);
    qsizetype filled = 0;
    while (filled < limit) {
        const ssize_t got = ::read(fd, data.data() + filled, static_cast<size_t>(limit - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            raiseReadError(file, errno);
        if (got == 0)
            break;
        filled += got;
    }
    data.truncate(filled);
    return data;
}

} // namespace

QString settingsFilePath(const QString &dataFolder)
{
    return dataFolder + QDir::separator() + settingsFileName;
}

QString defaultInstallFolder(const QString &dataFolder)
{
    return dataFolder + QDir::separator() + QStringLiteral("vexa");
}

QString readInstallPath(const QString &dataFolder)
{
    const QString fallback = defaultInstallFolder(dataFolder);
    const QString file = settingsFilePath(dataFolder);

    // Non-blocking, so a FIFO at this path cannot stall the open; the type is then checked on
    // the open descriptor itself, so nothing can swap the file in between.
    const QByteArray encodedName = QFile::encodeName(file);
    const platform::FileDescriptor fd(
        ::open(encodedName.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return fallback;
        raiseReadError(file, errno);
    }
    struct stat status
    {
    };
    if (::fstat(fd.get(), &status) != 0)
        raiseReadError(file, errno);
    if (!S_ISREG(status.st_mode))
        return fallback;

    const QByteArray content = readAtMost(fd.get(), maxSettingsFileSize + 1, file);
    if (content.size() > maxSettingsFileSize || content.contains('\0'))
        return fallback;

    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(content);
    if (utf8.hasError())
        return fallback;

    QString line = text.left(text.indexOf(QLatin1Char('\n')));
    if (line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    return line.isEmpty() ? fallback : line;
}
