#include "UnattendedInstall.h"

#include "ErrorGuard.h"
#include "InstallPath.h"
#include "InstallReport.h"
#include "Installation.h"

#include <QNetworkAccessManager>

namespace {

// How long the end of the program waits for its report to go out.
constexpr int reportSendTimeoutMs = 10000;

void writeLine(std::FILE *stream, const QString &line)
{
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stream);
    std::fflush(stream);
}

} // namespace

ErrorGuard consoleErrorGuard(std::FILE *err)
{
    return ErrorGuard(
        [err](int number, const QString &description) {
            writeLine(err, ErrorGuard::reportHeading(number) + description);
        },
        [](int) {});
}

int installUnattended(const CommandLine &line,
    const std::function<InstallerFolders(bool create)> &findFolders, const QUrl &reportServer,
    std::FILE *out, std::FILE *err)
{
    // An error ends the run at its step, reported as the window's error box reports it.
    const ErrorGuard guard = consoleErrorGuard(err);

    InstallerFolders folders;
    QString folder;
    if (!guard.run([&] {
            folders = findFolders(false);
            folder = line.folder ? *line.folder : readInstallPath(folders.dataFolder);
        }))
        return StatusFailed;
    Installation installation(folders);
    const QString refusal = installation.refusal(line.acceptAgreement, folder);
    if (!refusal.isNull()) {
        writeLine(err, refusal);
        return StatusRefused;
    }

    const bool installed = guard.run([&] {
        findFolders(true);
        writeLine(out, QStringLiteral("安装到 %1").arg(folder));
        const QStringList manifest = installation.scan(folder);
        for (qsizetype i = 0; i < manifest.size(); ++i) {
            writeLine(
                out, QStringLiteral("[%1/%2] %3").arg(i + 1).arg(manifest.size()).arg(manifest[i]));
            installation.copy(manifest[i]);
        }
        installation.finish(line.keepPackage);
    });
    if (!installed)
        return StatusFailed;

    QNetworkAccessManager network;
    const QUrl report = installReportUrl(reportServer, reportTime(QDateTime::currentDateTime()));
    if (!waitUntilSent(sendReport(network, report), reportSendTimeoutMs))
        writeLine(err, QStringLiteral("安装报告未能发出：%1").arg(report.host()));
    writeLine(out, QStringLiteral("安装完成"));
    return StatusOk;
}
