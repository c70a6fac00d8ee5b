#include "Launch.h"

#include "platform/PlatformError.h"

#include <QDesktopServices>
#include <QFile>
#include <QProcess>

#include <cerrno>
#include <unistd.h>

void startDetachedProgram(const QString &program)
{
    QProcess process;
    process.setProgram(program);
    if (process.startDetached())
        return;

    // QProcess tells the reason only as text; the file itself says which error it is.
    const QString operation = QStringLiteral("StartProcess");
    if (::access(QFile::encodeName(program).constData(), X_OK) != 0)
        throw platform::PlatformError::fromErrno(
            errno, operation, program, platform::PlatformError::Subject::File);
    throw platform::PlatformError(
        platform::PlatformError::InvalidArgument, operation, program, process.errorString());
}

bool openWithDesktop(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}
