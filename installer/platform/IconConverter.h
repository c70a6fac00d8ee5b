#pragma once

#include <QByteArray>

#include <optional>

namespace platform {

// An icon ready for the user's hicolor icon theme: PNG bytes of a square
// picture `size` pixels wide, a size the theme has a folder for.
struct PngIcon
{
    QByteArray png;
    int size = 0;
};

// Converts the bytes of an icon file (ICO, or any picture format Qt reads) to
// a PngIcon of its largest image. No file work. A side that is not one of the
// theme's sizes (16, 22, 24, 32, 48, 64, 96, 128, 256, 512) is scaled down
// to the nearest one below (up to 16 when smaller), since icon lookups only
// search the sizes the theme lists; a picture that is not square is centred
// on a transparent square. Empty when no image can be read.
std::optional<PngIcon> largestIconAsPng(const QByteArray &iconFile);

} // namespace platform
