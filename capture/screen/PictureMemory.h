#pragma once

#include <QImage>

// An image whose pixels lie in memory of their own, in huge pages where the
// kernel gives them: a picture of a whole screen is written once, row after
// row, and a handful of page faults instead of one per 4 KiB makes that write
// markedly faster. `bytesPerLine` must be a multiple of 4 and hold a row of
// `width` pixels of `format`. A null image when the memory cannot be had.
QImage pictureInHugePages(int width, int height, qsizetype bytesPerLine, QImage::Format format);
