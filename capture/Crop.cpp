#include "Crop.h"

QImage cropSelection(const QImage &frozen, QRect deviceRect)
{
    // QImage::copy() would fill the part outside the picture with black
    // instead of leaving it out.
    const QRect onPicture = deviceRect.intersected(frozen.rect());
    if (onPicture.isEmpty())
        return QImage();
    return frozen.copy(onPicture);
}
