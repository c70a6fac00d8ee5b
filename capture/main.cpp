#include "ClipboardHandOff.h"
#include "ScreenSource.h"
#include "mianForm.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // The runner creates the QApplication, so everything needing one happens
    // inside the session.
    return runCaptureKeepingClipboard(argc, argv, [] {
        // Frozen before our window exists, so it shows the screen without it.
        ScreenSource source;
        const ScreenPicture screen = source.take();
        if (screen.status != ScreenPicture::Taken)
            return CaptureOutcome {reportNotTaken(screen), false};
        mianForm form(screen.picture, QCoreApplication::applicationDirPath());
        form.show();
        QApplication::exec();
        return form.outcome();
    });
}
