// vexa.exe: a small stand-in for the VEXA client that the installer puts in place.
#include "ClientWindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    ClientWindow window(QCoreApplication::applicationDirPath());
    window.show();
    return app.exec();
}
