#include "ClipboardHandOff.h"
#include "FontWarmUp.h"
#include "ScreenGrab.h"
#include "X11ShmGrab.h"
#include "mianForm.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // The runner creates the QApplication, so everything needing one happens
    // inside the session. The screen grab and the font set-up start before
    // it, in the process that shows the window, and run while Qt starts.
    const auto startEarly = [] {
        X11ShmGrab::start();
        startFontWarmUp();
    };
    return runCaptureKeepingClipboard(argc, argv, startEarly, [] {
        // Frozen before our window exists, so it shows the screen without it.
        const QPixmap frozenScreen = grabPrimaryScreen();
        mianForm form(frozenScreen, QCoreApplication::applicationDirPath());
        form.show();
        QApplication::exec();
        return form.outcome();
    });
}
