#include "KWinPicture.h"

#include "PictureMemory.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace KWinPicture {

namespace {

// The value of `key` when it is an unsigned 32-bit integer, as KWin sends
// every number of its reply, and no larger than `limit`.
std::optional<int> unsignedValue(const QVariantMap &results, const QString &key, uint limit)
{
    const QVariant value = results.value(key);
    if (value.typeId() != QMetaType::UInt || value.toUInt() > limit)
        return std::nullopt;
    return int(value.toUInt());
}

bool needsColourTable(QImage::Format format)
{
    return format == QImage::Format_Mono || format == QImage::Format_MonoLSB
        || format == QImage::Format_Indexed8;
}

} // namespace

std::optional<Layout> layoutOf(const QVariantMap &results)
{
    if (results.value(QStringLiteral("type")) != QVariant(QStringLiteral("raw")))
        return std::nullopt;
    constexpr uint maxSide = 1u << 16;
    const auto width = unsignedValue(results, QStringLiteral("width"), maxSide);
    const auto height = unsignedValue(results, QStringLiteral("height"), maxSide);
    const auto stride = unsignedValue(results, QStringLiteral("stride"), uint(maxPictureBytes));
    const auto format
        = unsignedValue(results, QStringLiteral("format"), uint(QImage::NImageFormats - 1));
    if (!width || !height || !stride || !format || *width == 0 || *height == 0)
        return std::nullopt;
    const Layout layout {*width, *height, *stride, QImage::Format(*format)};
    if (layout.format == QImage::Format_Invalid || needsColourTable(layout.format))
        return std::nullopt;
    const qsizetype rowBytes
        = (qsizetype(layout.width) * QImage::toPixelFormat(layout.format).bitsPerPixel() + 7) / 8;
    if (layout.stride < rowBytes || layout.stride % 4 != 0 || layout.bytes() > maxPictureBytes)
        return std::nullopt;
    return layout;
}

QImage readPicture(int fd, const Layout &layout, std::chrono::milliseconds silence)
{
    QImage picture = pictureInHugePages(layout.width, layout.height, layout.stride, layout.format);
    if (picture.isNull())
        return {};
    uchar *next = picture.bits();
    qsizetype left = layout.bytes();
    pollfd readable {fd, POLLIN, 0};
    while (left > 0) {
        const int ready = poll(&readable, 1, int(silence.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return {};
        const ssize_t count = read(fd, next, size_t(left));
        if (count < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (count <= 0)
            return {};
        next += count;
        left -= count;
    }
    return picture;
}

} // namespace KWinPicture
