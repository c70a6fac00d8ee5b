#include "Crop.h"

#include <gtest/gtest.h>

namespace {

// Every pixel tells where it came from.
QImage positionPattern()
{
    QImage image(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 4, y * 5, 77));
    return image;
}

// True when crop holds exactly the frozen pixels of `expected`.
::testing::AssertionResult holdsPixelsOf(const QImage &crop, const QImage &frozen, QRect expected)
{
    if (crop.size() != expected.size())
        return ::testing::AssertionFailure()
            << "size " << crop.width() << "x" << crop.height() << ", expected " << expected.width()
            << "x" << expected.height();
    for (int y = 0; y < crop.height(); ++y)
        for (int x = 0; x < crop.width(); ++x)
            if (crop.pixel(x, y) != frozen.pixel(expected.topLeft() + QPoint(x, y)))
                return ::testing::AssertionFailure() << "pixel " << x << "," << y << " differs";
    return ::testing::AssertionSuccess();
}

TEST(CropSelection, TakesExactlyThePixelsOnThePicture)
{
    const QImage frozen = positionPattern();
    EXPECT_TRUE(holdsPixelsOf(cropSelection(frozen, {10, 7, 21, 13}), frozen, {10, 7, 21, 13}));
    EXPECT_TRUE(holdsPixelsOf(cropSelection(frozen, frozen.rect()), frozen, frozen.rect()));
    // Partly off the picture: only the part on it, never filled up.
    EXPECT_TRUE(holdsPixelsOf(cropSelection(frozen, {-5, -3, 20, 10}), frozen, {0, 0, 15, 7}));
    EXPECT_TRUE(holdsPixelsOf(cropSelection(frozen, {50, 40, 30, 30}), frozen, {50, 40, 14, 8}));
    EXPECT_TRUE(holdsPixelsOf(cropSelection(frozen, {-1, 5, 70, 1}), frozen, {0, 5, 64, 1}));
}

TEST(CropSelection, NothingToTakeGivesANullImage)
{
    const QImage frozen = positionPattern();
    EXPECT_TRUE(cropSelection(frozen, {10, 10, 20, 0}).isNull());
    EXPECT_TRUE(cropSelection(frozen, {10, 10, 0, 20}).isNull());
    EXPECT_TRUE(cropSelection(frozen, {64, 0, 10, 10}).isNull());
    EXPECT_TRUE(cropSelection(frozen, {-10, -10, 10, 10}).isNull());
    EXPECT_TRUE(cropSelection(QImage(), {0, 0, 10, 10}).isNull());
}

} // namespace
