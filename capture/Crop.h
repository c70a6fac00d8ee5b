#pragma once

#include <QImage>
#include <QRect>

// The screen pixels of deviceRect taken from the frozen picture, exactly,
// without any border trim. Only the part of the rectangle that lies on the
// picture is taken: a selection moved partly off the screen gives the part
// that is still on it. A null image when nothing of it lies on the picture
// (or it has no width or no height).
QImage cropSelection(const QImage &frozen, QRect deviceRect);
