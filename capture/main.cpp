#include "ClipboardHandOff.h"
#include "FontWarmUp.h"
#include "ScreenSource.h"
#include "ScreenshotRefusal.h"
#include "StockTranslation.h"
#include "WaylandShmBuffers.h"
#include "mianForm.h"

#include <QApplication>

#include <memory>

int main(int argc, char *argv[])
{
    std::unique_ptr<ScreenSource> source;
    // The runner creates the QApplication, so everything needing one happens
    // inside the session.
    return runCaptureKeepingClipboard(
        argc, argv,
        [&source] {
            // Before any box can show: the failure box gets Chinese buttons too.
            loadChineseStockTexts();
            // What the window needs besides the picture, while it is on its way.
            mianForm::prepareTexts();
            // Frozen before our window exists, so it shows the screen without it.
            ScreenPicture screen = source->take();
            if (screen.status != ScreenPicture::Taken) {
                // A message comes first, which must look like the desktop's dialogs.
                finishFontWarmUp();
                useQtBuffersForDialogsOnWayland();
            }
            while (screen.status == ScreenPicture::Refused && offerToAskAgain())
                screen = source->askAgain();
            if (screen.status != ScreenPicture::Taken) {
                CaptureOutcome outcome;
                outcome.exitStatus = reportNotTaken(screen);
                // The caller has its status first: nothing of this shows.
                if (source->lateAnswerPending())
                    outcome.afterReport = [&source] {
                        source->settleLateAnswer();
                    };
                return outcome;
            }
            mianForm form(screen.picture, QCoreApplication::applicationDirPath());
            form.show();
            QApplication::exec();
            return form.outcome();
        },
        [&source] {
            // The environment is settled first: the threads started below read it, and
            // changing it under them could pull it away from their feet.
            useSharedMemoryBuffersOnWayland();
            // These run while the application starts up: the screen grab on X11 or the
            // screenshot portal's request on Wayland, and the font set-up.
            source = std::make_unique<ScreenSource>();
            startFontWarmUp();
        });
}
