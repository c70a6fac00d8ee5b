#include "StockTranslation.h"
#include "UninstallWindow.h"
#include "Uninstallation.h"
#include "platform/PlatformError.h"

#include "MessageBoxFit.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>

#include <cstdio>
#include <optional>

namespace {

const char usage[] = "Usage: uninstall [--unattended | --help]\n"
                     "\n"
                     "Removes the installation of VEXA in the folder this program lies in:\n"
                     "what its install record lists, and nothing else. Without arguments it\n"
                     "shows what it will remove and waits for a click on 卸载.\n"
                     "\n"
                     "  --unattended  remove at once, without a window or a display\n"
                     "  --help, -h    show this text\n"
                     "\n"
                     "Exit status: 0 removed, 1 something could not be removed or record entries\n"
                     "were refused, 2 usage error, 3 no install record here, 4 cancelled.\n";

void writeLines(std::FILE *stream, const QStringList &lines)
{
    for (const QString &line : lines)
        std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stream);
    std::fflush(stream);
}

QString noRecordText(const platform::PlatformError &error)
{
    return QStringLiteral("没有找到可用的安装记录，没有删除任何文件：") + error.description();
}

// The installation beside the program, for this user; nothing when it has no usable record, after
// `tell` has said so.
std::optional<Uninstallation> findInstallation(const std::function<void(const QString &)> &tell)
{
    try {
        return Uninstallation(QCoreApplication::applicationDirPath(),
            QFileInfo(QCoreApplication::applicationFilePath()).fileName(),
            systemInstallerFolders(false));
    } catch (const platform::PlatformError &error) {
        tell(noRecordText(error));
        return std::nullopt;
    }
}

int runUnattended(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    std::optional<Uninstallation> uninstallation
        = findInstallation([](const QString &text) { writeLines(stderr, {text}); });
    if (!uninstallation)
        return StatusNoRecord;
    const UninstallReport report = uninstallation->run();
    writeLines(stdout, report.doneLines());
    writeLines(stderr, report.problemLines());
    writeLines(
        stdout, {report.complete() ? QStringLiteral("卸载完成") : QStringLiteral("卸载未完成")});
    return report.complete() ? StatusRemoved : StatusIncomplete;
}

int runWindow(int argc, char *argv[])
{
    QApplication app(argc, argv);
    loadChineseStockTexts();
    std::optional<Uninstallation> uninstallation = findInstallation([](const QString &text) {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("卸载提示"), text, QMessageBox::Ok);
        fitToScreen(box);
        box.exec();
    });
    if (!uninstallation)
        return StatusNoRecord;
    UninstallWindow window(*uninstallation);
    window.show();
    app.exec();
    return window.status();
}

} // namespace

int main(int argc, char *argv[])
{
    const QByteArray argument = argc == 2 ? QByteArray(argv[1]) : QByteArray();
    if (argc == 1)
        return runWindow(argc, argv);
    if (argument == "--unattended")
        return runUnattended(argc, argv);
    if (argument == "--help" || argument == "-h") {
        std::fputs(usage, stdout);
        return StatusRemoved;
    }
    std::fprintf(stderr, "uninstall: unexpected arguments\n\n%s", usage);
    return StatusUsageError;
}
