#include "ScreenGrab.h"
#include "mianForm.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Frozen before our window exists, so it shows the screen without it.
    const QPixmap frozenScreen = grabPrimaryScreen();
    mianForm form(frozenScreen, QCoreApplication::applicationDirPath());
    form.show();
    app.exec();
    return form.exitStatus();
}
