#pragma once

#include <QRect>
#include <QtGlobal>

#include <cmath>

// Screen (device) pixels of a selection drawn in Qt's logical pixels. The size
// label and the crop both go through selectionDeviceRect(), so the size shown
// is always the size of the picture taken, on any device pixel ratio.
namespace DeviceGeometry {

// A logical coordinate or length in whole device pixels, rounded half up the
// way Qt places widgets: the same rule everywhere on the screen, negative
// values included, so a rectangle keeps its device size wherever it is moved.
inline int toDevicePixels(int logical, qreal devicePixelRatio)
{
    return static_cast<int>(std::floor(logical * devicePixelRatio + 0.5));
}

// The rectangle of whole screen pixels that the logical selection stands
// for. Its size depends only on the selection's size, never on its place.
// A zero-sized selection gives a zero-sized rectangle.
inline QRect selectionDeviceRect(const QRect &logicalSelection, qreal devicePixelRatio)
{
    return QRect(toDevicePixels(logicalSelection.x(), devicePixelRatio),
        toDevicePixels(logicalSelection.y(), devicePixelRatio),
        toDevicePixels(logicalSelection.width(), devicePixelRatio),
        toDevicePixels(logicalSelection.height(), devicePixelRatio));
}

} // namespace DeviceGeometry
