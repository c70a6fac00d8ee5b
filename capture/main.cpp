#include "ClipboardHandOff.h"
#include "ScreenGrab.h"
#include "StockTranslation.h"
#include "mianForm.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // The runner creates the QApplication, so everything needing one happens
    // inside the session.
    return runCaptureKeepingClipboard(argc, argv, [] {
        loadChineseStockTexts();
        // Frozen before our window exists, so it shows the screen without it.
        const QPixmap frozenScreen = grabPrimaryScreen();
        mianForm form(frozenScreen, QCoreApplication::applicationDirPath());
        form.show();
        QApplication::exec();
        return form.outcome();
    });
}
