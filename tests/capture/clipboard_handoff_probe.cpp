// Stands in for the capture window when testing the clipboard hand-off: runs a
// session through the real runner that ends with a chosen status.
//
// Usage: clipboard_handoff_probe STATUS PID_FILE [REFERENCE_PNG]
//   STATUS 0 or 2  puts a known picture on the clipboard and ends with STATUS
//   STATUS 1       ends with 1 and leaves the clipboard alone (the user quit)
//   STATUS killed  the session dies by SIGKILL before it reports
// The session's process id goes to PID_FILE, the picture to REFERENCE_PNG.
#include "ClipboardHandOff.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QImage>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

// A gradient crossed by a fine grid: any shift, scaling or loss shows.
QImage knownPicture()
{
    QImage image(200, 100, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const bool grid = x % 3 == 0 || y % 4 == 0;
            const int r = x * 255 / 199;
            const int g = y * 255 / 99;
            image.setPixel(x, y, grid ? qRgb(255 - r, 255 - g, 40) : qRgb(r, g, 160));
        }
    }
    return image;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s STATUS PID_FILE [REFERENCE_PNG]\n", argv[0]);
        return 64;
    }
    const QByteArray mode = argv[1];
    const QString pidFile = QString::fromLocal8Bit(argv[2]);
    const QString reference = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();

    return runCaptureKeepingClipboard(argc, argv, [&]() -> CaptureOutcome {
        QFile pid(pidFile);
        if (pid.open(QIODevice::WriteOnly))
            pid.write(QByteArray::number(getpid()));
        pid.close();

        if (mode == "killed")
            raise(SIGKILL);
        CaptureOutcome outcome;
        outcome.exitStatus = mode.toInt();
        if (outcome.exitStatus == CaptureOutcome::UserQuit)
            return outcome;
        const QImage picture = knownPicture();
        if (!reference.isEmpty())
            picture.save(reference, "PNG");
        QGuiApplication::clipboard()->setImage(picture);
        outcome.clipboardSet = true;
        return outcome;
    });
}
