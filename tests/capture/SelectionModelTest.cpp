#include "SelectionModel.h"
#include "DeviceGeometry.h"

#include <gtest/gtest.h>

namespace {

using Outcome = SelectionModel::Outcome;

// Draws a selection from `from` to `to` with the left button and releases it.
void drawSelection(SelectionModel &model, QPoint from, QPoint to)
{
    EXPECT_EQ(model.pictureMouseDown(Qt::LeftButton, from), Outcome::Stay);
    model.pictureMouseMove(to);
    model.pictureMouseUp();
}

TEST(SelectionModelTest, StartsWithNothingSelectedAndControlsAtTheirCreationPlaces)
{
    const SelectionModel model;
    EXPECT_FALSE(model.isDrawing());
    EXPECT_FALSE(model.isDragging());
    EXPECT_EQ(model.startX(), 0);
    EXPECT_EQ(model.startY(), 0);
    EXPECT_FALSE(model.selectionVisible());
    EXPECT_EQ(model.hintPos(), QPoint(360, 280));
    EXPECT_TRUE(model.labelText().isEmpty());
}

TEST(SelectionModelTest, PressMoveReleaseDrawsFromTheAnchor)
{
    SelectionModel model;
    model.pictureMouseDown(Qt::LeftButton, QPoint(100, 120));
    EXPECT_TRUE(model.isDrawing());
    EXPECT_TRUE(model.selectionVisible());
    EXPECT_EQ(model.selection(), QRect(100, 120, 0, 0));
    EXPECT_EQ(model.labelPos(), QPoint(100, 105));
    EXPECT_TRUE(model.labelText().isEmpty());

    model.pictureMouseMove(QPoint(120, 130));
    EXPECT_EQ(model.selection(), QRect(100, 120, 20, 10));
    EXPECT_EQ(model.labelText(), QStringLiteral(" 20x 10"));
    EXPECT_EQ(model.hintPos(), QPoint(130, 140));
    // The label stays where the press put it while the size changes.
    EXPECT_EQ(model.labelPos(), QPoint(100, 105));

    model.pictureMouseUp();
    EXPECT_FALSE(model.isDrawing());
    EXPECT_TRUE(model.selectionVisible());
    EXPECT_EQ(model.selection(), QRect(100, 120, 20, 10));

    // After the release, moving only carries the hint box.
    model.pictureMouseMove(QPoint(400, 300));
    EXPECT_EQ(model.selection(), QRect(100, 120, 20, 10));
    EXPECT_EQ(model.hintPos(), QPoint(410, 310));
}

TEST(SelectionModelTest, DrawingUpOrLeftOfTheAnchorGivesZeroSizeThenGrowsAgain)
{
    SelectionModel model;
    model.pictureMouseDown(Qt::LeftButton, QPoint(200, 200));
    model.pictureMouseMove(QPoint(150, 120));
    EXPECT_EQ(model.selection(), QRect(200, 200, 0, 0));
    EXPECT_EQ(model.labelText(), QStringLiteral(" 0x 0"));

    // Left of the anchor but below it: only the width stays zero.
    model.pictureMouseMove(QPoint(150, 230));
    EXPECT_EQ(model.selection(), QRect(200, 200, 0, 30));
    EXPECT_EQ(model.labelText(), QStringLiteral(" 0x 30"));

    model.pictureMouseMove(QPoint(205, 207));
    EXPECT_EQ(model.selection(), QRect(200, 200, 5, 7));
    EXPECT_EQ(model.labelText(), QStringLiteral(" 5x 7"));
}

TEST(SelectionModelTest, ZeroSizeSelectionStillTakesTheFirstOfTwoEscapes)
{
    SelectionModel model;
    drawSelection(model, QPoint(50, 60), QPoint(50, 60));
    EXPECT_TRUE(model.selectionVisible());
    EXPECT_EQ(model.selection().size(), QSize(0, 0));

    EXPECT_EQ(model.pictureKeyUp(Qt::Key_Escape), Outcome::Stay);
    EXPECT_FALSE(model.selectionVisible());
    EXPECT_TRUE(model.labelText().isEmpty());
    EXPECT_EQ(model.pictureKeyUp(Qt::Key_Escape), Outcome::CloseWindow);
}

TEST(SelectionModelTest, RightPressHidesTheSelectionThenCloses)
{
    SelectionModel model;
    drawSelection(model, QPoint(10, 10), QPoint(40, 30));
    EXPECT_EQ(model.pictureMouseDown(Qt::RightButton, QPoint(500, 500)), Outcome::Stay);
    EXPECT_FALSE(model.selectionVisible());
    EXPECT_TRUE(model.labelText().isEmpty());
    EXPECT_EQ(model.pictureMouseDown(Qt::RightButton, QPoint(500, 500)), Outcome::CloseWindow);
}

TEST(SelectionModelTest, OnlyTheReleaseOfEscapeActs)
{
    SelectionModel model;
    drawSelection(model, QPoint(10, 10), QPoint(40, 30));
    for (const int key : {int(Qt::Key_Enter), int(Qt::Key_Return), int(Qt::Key_Space),
             int(Qt::Key_Q), int(Qt::Key_Backspace)}) {
        EXPECT_EQ(model.pictureKeyUp(key), Outcome::Stay);
        EXPECT_TRUE(model.selectionVisible()) << key;
        EXPECT_EQ(model.labelText(), QStringLiteral(" 30x 20")) << key;
    }
    SelectionModel empty;
    EXPECT_EQ(empty.pictureKeyUp(Qt::Key_Q), Outcome::Stay);
    EXPECT_EQ(empty.pictureKeyUp(Qt::Key_Escape), Outcome::CloseWindow);
}

TEST(SelectionModelTest, NewPressDiscardsTheShownSelection)
{
    SelectionModel model;
    drawSelection(model, QPoint(10, 10), QPoint(110, 60));
    EXPECT_EQ(model.labelText(), QStringLiteral(" 100x 50"));

    model.pictureMouseDown(Qt::LeftButton, QPoint(300, 200));
    EXPECT_TRUE(model.selectionVisible());
    EXPECT_EQ(model.selection(), QRect(300, 200, 0, 0));
    EXPECT_TRUE(model.labelText().isEmpty());
    EXPECT_EQ(model.labelPos(), QPoint(300, 185));
    EXPECT_EQ(QPoint(model.startX(), model.startY()), QPoint(300, 200));
}

TEST(SelectionModelTest, RightPressWhileDrawingEndsItAndTheReleaseOnlyStopsDrawing)
{
    SelectionModel model;
    model.pictureMouseDown(Qt::LeftButton, QPoint(10, 10));
    model.pictureMouseMove(QPoint(60, 40));
    EXPECT_EQ(model.pictureMouseDown(Qt::RightButton, QPoint(60, 40)), Outcome::Stay);
    EXPECT_FALSE(model.isDrawing());
    EXPECT_FALSE(model.selectionVisible());
    EXPECT_TRUE(model.labelText().isEmpty());

    // Moving on with the left button still held no longer sizes anything.
    model.pictureMouseMove(QPoint(90, 90));
    EXPECT_EQ(model.selection(), QRect(10, 10, 50, 30));
    EXPECT_TRUE(model.labelText().isEmpty());
    model.pictureMouseUp();
    EXPECT_FALSE(model.selectionVisible());
}

TEST(SelectionModelTest, MiddleButtonDoesNothing)
{
    SelectionModel model;
    drawSelection(model, QPoint(10, 10), QPoint(40, 30));
    EXPECT_EQ(model.pictureMouseDown(Qt::MiddleButton, QPoint(300, 300)), Outcome::Stay);
    model.areaMouseDown(Qt::MiddleButton, QPoint(20, 20));
    EXPECT_FALSE(model.isDrawing());
    EXPECT_FALSE(model.isDragging());
    EXPECT_TRUE(model.selectionVisible());
    EXPECT_EQ(model.selection(), QRect(10, 10, 30, 20));
    EXPECT_EQ(model.labelText(), QStringLiteral(" 30x 20"));
}

TEST(SelectionModelTest, MovingKeepsTheGrabbedPointUnderTheCursor)
{
    SelectionModel model;
    drawSelection(model, QPoint(100, 100), QPoint(140, 130));
    model.pictureMouseMove(QPoint(200, 200));
    const QPoint hintBefore = model.hintPos();

    // Grabbed 15 right and 5 below the top-left corner.
    model.areaMouseDown(Qt::LeftButton, QPoint(115, 105));
    EXPECT_TRUE(model.isDragging());
    EXPECT_EQ(QPoint(model.startX(), model.startY()), QPoint(15, 5));

    model.areaMouseMove(QPoint(315, 55));
    EXPECT_EQ(model.selection(), QRect(300, 50, 40, 30));
    EXPECT_EQ(model.labelPos(), QPoint(300, 35));
    EXPECT_EQ(model.labelText(), QStringLiteral(" 40x 30"));
    EXPECT_EQ(model.hintPos(), hintBefore);

    // Nothing keeps the rectangle on the picture.
    model.areaMouseMove(QPoint(5, 2));
    EXPECT_EQ(model.selection(), QRect(-10, -3, 40, 30));
    EXPECT_EQ(model.labelPos(), QPoint(-10, -18));

    // After the release the hint box follows the cursor over the rectangle again.
    model.areaMouseUp();
    EXPECT_FALSE(model.isDragging());
    EXPECT_EQ(model.hintPos(), hintBefore);
    model.areaMouseMove(QPoint(10, 10));
    EXPECT_EQ(model.selection(), QRect(-10, -3, 40, 30));
    EXPECT_EQ(model.hintPos(), QPoint(20, 20));
}

TEST(SelectionModelTest, RightPressOnTheRectangleDoesNotMoveIt)
{
    SelectionModel model;
    drawSelection(model, QPoint(100, 100), QPoint(140, 130));
    model.areaMouseDown(Qt::RightButton, QPoint(110, 110));
    model.areaMouseMove(QPoint(300, 300));
    EXPECT_FALSE(model.isDragging());
    EXPECT_TRUE(model.selectionVisible());
    EXPECT_EQ(model.selection(), QRect(100, 100, 40, 30));
}

TEST(SelectionModelTest, LabelShowsScreenPixelsAtEveryRatio)
{
    const struct
    {
        qreal ratio;
        QString label;
    } cases[] = {{1.0, QStringLiteral(" 20x 10")}, {1.5, QStringLiteral(" 30x 15")},
        {2.0, QStringLiteral(" 40x 20")}, {1.25, QStringLiteral(" 25x 13")}};
    for (const auto &c : cases) {
        SelectionModel model(c.ratio);
        // An odd anchor puts the edges on half device pixels at 1.5.
        drawSelection(model, QPoint(33, 17), QPoint(53, 27));
        EXPECT_EQ(model.labelText(), c.label) << c.ratio;
    }
}

TEST(DeviceGeometryTest, SelectionMapsToWholeScreenPixels)
{
    using DeviceGeometry::selectionDeviceRect;
    EXPECT_EQ(selectionDeviceRect(QRect(33, 17, 20, 10), 1.0), QRect(33, 17, 20, 10));
    EXPECT_EQ(selectionDeviceRect(QRect(33, 17, 20, 10), 2.0), QRect(66, 34, 40, 20));
    EXPECT_EQ(selectionDeviceRect(QRect(33, 17, 20, 10), 1.5), QRect(50, 26, 30, 15));
    EXPECT_EQ(selectionDeviceRect(QRect(33, 17, 0, 0), 1.5), QRect(50, 26, 0, 0));
}

TEST(DeviceGeometryTest, DeviceSizeDoesNotDependOnThePlace)
{
    using DeviceGeometry::selectionDeviceRect;
    // A selection moved anywhere, partly off the picture too, keeps the size
    // its label showed.
    for (const qreal ratio : {1.0, 1.25, 1.5, 1.75, 2.0}) {
        const QSize size = selectionDeviceRect(QRect(0, 0, 21, 11), ratio).size();
        for (int x = -7; x <= 7; ++x) {
            const QRect moved = selectionDeviceRect(QRect(x, x * 3, 21, 11), ratio);
            EXPECT_EQ(moved.size(), size) << ratio << " at " << x;
            // One logical step moves the rectangle by the rounded step, never more.
            const QRect next = selectionDeviceRect(QRect(x + 1, x * 3, 21, 11), ratio);
            EXPECT_LE(next.x() - moved.x(), int(ratio) + 1);
            EXPECT_GE(next.x() - moved.x(), int(ratio));
        }
    }
}

} // namespace
