// saveJpeg against TurboJPEG's bare in-memory encode of the same pixels and
// against Qt's own JPEG writer, all at quality 80, on a 1920x1080 screenshot
// (argument 0) and on an 800x600 crop of it (argument 1), the size of a
// typical selection.
#include "Moduleimg.h"

#include <QImage>
#include <QImageWriter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <turbojpeg.h>

namespace {

constexpr int quality = 80;

// RGB32, as a screen grab and its crops arrive.
const QImage &picture(int64_t which)
{
    static const QImage screenshot
        = QImage(QStringLiteral(VEXA_SCREENSHOT)).convertToFormat(QImage::Format_RGB32);
    static const QImage crop = screenshot.isNull() ? QImage() : screenshot.copy(560, 240, 800, 600);
    return which == 0 ? screenshot : crop;
}

bool ready(benchmark::State &state, const QImage &image)
{
    if (image.isNull()) {
        state.SkipWithError("test image missing: " VEXA_SCREENSHOT);
        return false;
    }
    state.SetLabel(QStringLiteral("%1x%2").arg(image.width()).arg(image.height()).toStdString());
    return true;
}

void saveJpegToFile(benchmark::State &state)
{
    const QImage &image = picture(state.range(0));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("doduvora.jpg"));
    if (!ready(state, image))
        return;
    for (auto _ : state) {
        if (!saveJpeg(image, path, quality)) {
            state.SkipWithError("saveJpeg failed");
            break;
        }
    }
}

void turboJpegBareEncode(benchmark::State &state)
{
    const QImage &image = picture(state.range(0));
    if (!ready(state, image))
        return;
    tjhandle compressor = tjInitCompress();
    for (auto _ : state) {
        unsigned char *jpeg = nullptr;
        unsigned long size = 0;
        const int status = tjCompress2(compressor, image.constBits(), image.width(),
            static_cast<int>(image.bytesPerLine()), image.height(), TJPF_BGRX, &jpeg, &size,
            TJSAMP_420, quality, TJFLAG_ACCURATEDCT);
        benchmark::DoNotOptimize(size);
        tjFree(jpeg);
        if (status != 0) {
            state.SkipWithError("tjCompress2 failed");
            break;
        }
    }
    tjDestroy(compressor);
}

void qImageWriterToFile(benchmark::State &state)
{
    const QImage &image = picture(state.range(0));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("doduvora.jpg"));
    if (!ready(state, image))
        return;
    for (auto _ : state) {
        QImageWriter writer(path, "jpeg");
        writer.setQuality(quality);
        if (!writer.write(image)) {
            state.SkipWithError("QImageWriter failed");
            break;
        }
    }
}

} // namespace

BENCHMARK(saveJpegToFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(turboJpegBareEncode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(qImageWriterToFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
