#include "Moduleimg.h"

#include <QImage>
#include <QSaveFile>
#include <QString>

#include <turbojpeg.h>

#include <climits>
#include <memory>

namespace {

struct CompressorDeleter
{
    void operator()(void *handle) const { tjDestroy(handle); }
};
using Compressor = std::unique_ptr<void, CompressorDeleter>;

struct JpegBufferDeleter
{
    void operator()(unsigned char *buffer) const { tjFree(buffer); }
};
using JpegBuffer = std::unique_ptr<unsigned char, JpegBufferDeleter>;

// The TurboJPEG pixel format that reads the image's memory as it is, or -1 when
// the image must be converted first.
int directPixelFormat(QImage::Format format)
{
    switch (format) {
    case QImage::Format_RGB32: // 0xffRRGGBB words
        return Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TJPF_BGRX : TJPF_XRGB;
    case QImage::Format_RGBX8888:
        return TJPF_RGBX;
    case QImage::Format_RGB888:
        return TJPF_RGB;
    case QImage::Format_BGR888:
        return TJPF_BGR;
    default:
        return -1;
    }
}

} // namespace

bool saveJpeg(const QImage &picture, const QString &path, int quality)
{
    if (picture.isNull())
        return false;

    // Screen grabs arrive as RGB32 and are encoded in place; anything else
    // (alpha, palettes, grey) is flattened to RGB32 first.
    QImage pixels = picture;
    int pixelFormat = directPixelFormat(pixels.format());
    if (pixelFormat < 0) {
        pixels = picture.convertToFormat(QImage::Format_RGB32);
        pixelFormat = directPixelFormat(pixels.format());
    }
    if (pixels.isNull() || pixels.bytesPerLine() > INT_MAX)
        return false;

    const Compressor compressor(tjInitCompress());
    if (!compressor)
        return false;

    // One buffer of the encoder's worst-case size saves it growing and copying
    // its output as it goes; only the pages written are ever touched.
    int flags = TJFLAG_ACCURATEDCT;
    unsigned long encodedSize = tjBufSize(pixels.width(), pixels.height(), TJSAMP_420);
    unsigned char *encoded = nullptr;
    if (encodedSize <= INT_MAX)
        encoded = tjAlloc(static_cast<int>(encodedSize));
    if (encoded)
        flags |= TJFLAG_NOREALLOC;
    else
        encodedSize = 0;
    const int status = tjCompress2(compressor.get(), pixels.constBits(), pixels.width(),
        static_cast<int>(pixels.bytesPerLine()), pixels.height(), pixelFormat, &encoded,
        &encodedSize, TJSAMP_420, quality, flags);
    // The encoder may have allocated output even when it failed.
    const JpegBuffer jpeg(encoded);
    if (status != 0 || !jpeg || encodedSize == 0)
        return false;

    // QSaveFile writes a temporary file beside the target and renames it over
    // the target only on commit; an abandoned QSaveFile removes its temporary.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const auto size = static_cast<qint64>(encodedSize);
    if (file.write(reinterpret_cast<const char *>(jpeg.get()), size) != size)
        return false;
    return file.commit();
}
