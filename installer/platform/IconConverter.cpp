#include "IconConverter.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

#include <algorithm>
#include <array>

namespace platform {

namespace {

constexpr std::array themeSizes {16, 22, 24, 32, 48, 64, 96, 128, 256, 512};

int themeSizeFor(int side)
{
    const auto above = std::upper_bound(themeSizes.begin(), themeSizes.end(), side);
    return above == themeSizes.begin() ? themeSizes.front() : *(above - 1);
}

QImage largestImage(const QByteArray &iconFile)
{
    QBuffer buffer;
    buffer.setData(iconFile);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    QImage largest;
    const int count = std::max(reader.imageCount(), 1);
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !reader.jumpToImage(i))
            break;
        const QImage image = reader.read();
        const auto area = [](const QImage &picture) {
            return qint64(picture.width()) * picture.height();
        };
        if (!image.isNull() && area(image) > area(largest))
            largest = image;
    }
    return largest;
}

} // namespace

std::optional<PngIcon> largestIconAsPng(const QByteArray &iconFile)
{
    QImage image = largestImage(iconFile).convertToFormat(QImage::Format_ARGB32);
    if (image.isNull())
        return std::nullopt;
    const int size = themeSizeFor(std::max(image.width(), image.height()));
    if (image.width() != size || image.height() != size) {
        image = image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        // Outside the picture copy() fills with 0, which is transparent here.
        image = image.copy((image.width() - size) / 2, (image.height() - size) / 2, size, size);
    }
    PngIcon icon;
    icon.size = size;
    QBuffer out(&icon.png);
    out.open(QIODevice::WriteOnly);
    if (!QImageWriter(&out, "png").write(image))
        return std::nullopt;
    return icon;
}

} // namespace platform
