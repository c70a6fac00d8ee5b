#include "ErrorGuard.h"
#include "InstallReport.h"
#include "InstallerFolders.h"
#include "StockTranslation.h"
#include "mForm.h"

#include <QApplication>

int main(int argc, char *argv[])
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
