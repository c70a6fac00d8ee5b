#include "InstallerFolders.h"
#include "mForm.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    mForm form(systemInstallerFolders());
    form.show();
    return app.exec();
}
