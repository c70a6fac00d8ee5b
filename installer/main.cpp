#include "CommandLine.h"
#include "ErrorGuard.h"
#include "InstallReport.h"
#include "InstallerFolders.h"
#include "StockTranslation.h"
#include "UnattendedInstall.h"
#include "mForm.h"

#include <QApplication>
#include <QCoreApplication>

#include <cstdio>

namespace {

// The window, as the installer always was when started without arguments.
int runWindow(int argc, char *argv[])
{
    QApplication app(argc, argv);
    loadChineseStockTexts();
    InstallerFolders folders;
    // A special folder that cannot be made ends the program through the usual report.
    ErrorGuard().run([&folders] { folders = systemInstallerFolders(); });
    InstallerHooks hooks;
    hooks.reportServer = makerReportServer();
    mForm form(folders, hooks);
    form.show();
    return app.exec();
}

// No GUI application: nothing here may need a display.
int runUnattended(int argc, char *argv[], const CommandLine &line)
{
    QCoreApplication app(argc, argv);
    return installUnattended(line, &systemInstallerFolders, makerReportServer(), stdout, stderr);
}

} // namespace

int main(int argc, char *argv[])
{
    // Read before any application object exists: only the window may load a GUI platform.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine line = parseCommandLine(arguments);

    switch (line.mode) {
    case CommandLine::Mode::Window:
        return runWindow(argc, argv);
    case CommandLine::Mode::Help:
        std::fputs(usageText().toUtf8().constData(), stdout);
        return StatusOk;
    case CommandLine::Mode::UsageError:
        std::fputs(("install: " + line.error + "\n\n" + usageText()).toUtf8().constData(), stderr);
        return StatusUsageError;
    case CommandLine::Mode::Unattended:
        break;
    }
    return runUnattended(argc, argv, line);
}
