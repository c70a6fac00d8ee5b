#include "PictureMemory.h"

#include <cstdlib>
#include <sys/mman.h>

namespace {

constexpr size_t hugePageBytes = 2 * 1024 * 1024;

} // namespace

QImage pictureInHugePages(int width, int height, qsizetype bytesPerLine, QImage::Format format)
{
    if (width <= 0 || height <= 0 || bytesPerLine <= 0)
        return {};
    const size_t size = static_cast<size_t>(bytesPerLine) * static_cast<size_t>(height);
    const size_t rounded = (size + hugePageBytes - 1) / hugePageBytes * hugePageBytes;
    void *memory = std::aligned_alloc(hugePageBytes, rounded);
    if (!memory)
        return {};
    madvise(memory, rounded, MADV_HUGEPAGE);
    return QImage(
        static_cast<uchar *>(memory), width, height, bytesPerLine, format, &std::free, memory);
}
