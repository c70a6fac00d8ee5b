#pragma once

#include <QImage>
#include <QVariantMap>

#include <chrono>
#include <optional>

// The pure side of KWin's own screenshot interface (org.kde.KWin.ScreenShot2):
// KWin answers a capture call with the layout of the raw picture, then writes
// the picture's bytes into the pipe the call handed it. Nothing here needs a bus.
namespace KWinPicture {

// How the raw picture's bytes lie: `height` rows `stride` bytes apart, each
// holding `width` pixels of `format`.
struct Layout
{
    int width = 0;
    int height = 0;
    int stride = 0;
    QImage::Format format = QImage::Format_Invalid;

    qsizetype bytes() const { return qsizetype(stride) * height; }
};

// The largest picture taken in: 16384 by 16384 pixels of 32 bits.
constexpr qsizetype maxPictureBytes = qsizetype(1) << 30;

// The layout a reply's results give: "type" "raw" and the unsigned "width",
// "height", "stride" and "format" (a QImage::Format). Nothing for another
// type, a missing or mistyped value, a format that needs a colour table,
// rows that do not hold their pixels or are not padded to 32 bits, or a
// picture larger than maxPictureBytes.
std::optional<Layout> layoutOf(const QVariantMap &results);

// The picture of `layout` read from the pipe `fd`, waiting at most `silence`
// for each next part of it. A null image when the pipe ends early, stays
// silent that long or fails.
QImage readPicture(int fd, const Layout &layout, std::chrono::milliseconds silence);

} // namespace KWinPicture
