#include "SelectionModel.h"
#include "DeviceGeometry.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

using Outcome = SelectionModel::Outcome;

void draw(SelectionModel &model, QPoint from, QPoint to)
{
    model.pictureMouseDown(Qt::LeftButton, from);
    model.pictureMouseMove(to);
    model.pictureMouseUp();
}

TEST(SelectionModelTest, NewPressDrawsFromItsAnchorWhileTheHintFollows)
{
    SelectionModel model;
    draw(model, {10, 10}, {110, 60});
    // A new press discards the shown selection.
    model.pictureMouseDown(Qt::LeftButton, {100, 120});
    EXPECT_TRUE(model.selectionVisible());
    EXPECT_EQ(model.selection(), QRect(100, 120, 0, 0));
    EXPECT_TRUE(model.labelText().isEmpty());

    // The anchor stays top-left: up or left of it a size is zero.
    const std::tuple<QPoint, QSize, const char *> moves[] = {{{120, 130}, {20, 10}, " 20x 10"},
        {{50, 60}, {0, 0}, " 0x 0"}, {{50, 150}, {0, 30}, " 0x 30"}, {{105, 127}, {5, 7}, " 5x 7"}};
    for (const auto &[cursor, size, label] : moves) {
        model.pictureMouseMove(cursor);
        EXPECT_EQ(model.selection(), QRect(QPoint(100, 120), size));
        EXPECT_EQ(model.labelText(), label);
        EXPECT_EQ(model.labelPos(), QPoint(100, 105));
        EXPECT_EQ(model.hintPos(), cursor + QPoint(10, 10));
    }
    // After the release, moving only carries the hint box.
    model.pictureMouseUp();
    model.pictureMouseMove({400, 300});
    EXPECT_EQ(model.selection(), QRect(100, 120, 5, 7));
    EXPECT_EQ(model.hintPos(), QPoint(410, 310));
}

// Esc or a right press on the bare picture first hides a selection, even one
// of zero size, then closes. Other keys do nothing.
TEST(SelectionModelTest, CancelHidesTheSelectionThenCloses)
{
    for (const bool byEsc : {true, false}) {
        for (const QPoint to : {QPoint(50, 60), QPoint(80, 90)}) {
            SelectionModel model;
            const auto cancel = [&] {
                return byEsc ? model.pictureKeyUp(Qt::Key_Escape)
                             : model.pictureMouseDown(Qt::RightButton, {500, 500});
            };
            draw(model, {50, 60}, to);
            const QString label = model.labelText();
            for (int key : {Qt::Key_Enter, Qt::Key_Return, Qt::Key_Space, Qt::Key_Q})
                EXPECT_EQ(model.pictureKeyUp(key), Outcome::Stay);
            EXPECT_TRUE(model.selectionVisible());
            EXPECT_EQ(model.labelText(), label);

            EXPECT_EQ(cancel(), Outcome::Stay);
            EXPECT_FALSE(model.selectionVisible());
            EXPECT_TRUE(model.labelText().isEmpty());
            EXPECT_EQ(cancel(), Outcome::CloseWindow);
        }
    }
}

TEST(SelectionModelTest, RightPressWhileDrawingEndsIt)
{
    SelectionModel model;
    model.pictureMouseDown(Qt::LeftButton, {10, 10});
    model.pictureMouseMove({60, 40});
    EXPECT_EQ(model.pictureMouseDown(Qt::RightButton, {60, 40}), Outcome::Stay);
    EXPECT_FALSE(model.selectionVisible());
    // Moving on with the left button still held no longer sizes anything.
    model.pictureMouseMove({90, 90});
    EXPECT_EQ(model.selection(), QRect(10, 10, 50, 30));
    EXPECT_TRUE(model.labelText().isEmpty());
    model.pictureMouseUp();
    EXPECT_FALSE(model.selectionVisible());
}

TEST(SelectionModelTest, OnlyTheLeftButtonDrawsOrMoves)
{
    SelectionModel model;
    draw(model, {10, 10}, {40, 30});
    EXPECT_EQ(model.pictureMouseDown(Qt::MiddleButton, {300, 300}), Outcome::Stay);
    for (const auto button : {Qt::MiddleButton, Qt::RightButton}) {
        model.areaMouseDown(button, {20, 20});
        model.areaMouseMove({300, 300});
    }
    EXPECT_TRUE(model.selectionVisible());
    EXPECT_EQ(model.selection(), QRect(10, 10, 30, 20));
    EXPECT_EQ(model.labelText(), " 30x 20");
}

TEST(SelectionModelTest, MovingKeepsTheGrabbedPointUnderTheCursor)
{
    SelectionModel model;
    draw(model, {100, 100}, {140, 130});
    model.pictureMouseMove({200, 200});
    const QPoint hintBefore = model.hintPos();

    // Grabbed 15 right and 5 below the top-left corner; the label travels
    // along with its text, the hint box stands still.
    model.areaMouseDown(Qt::LeftButton, {115, 105});
    model.areaMouseMove({315, 55});
    EXPECT_EQ(model.selection(), QRect(300, 50, 40, 30));
    EXPECT_EQ(model.labelPos(), QPoint(300, 35));
    EXPECT_EQ(model.labelText(), " 40x 30");
    EXPECT_EQ(model.hintPos(), hintBefore);
    // Nothing keeps the rectangle on the picture.
    model.areaMouseMove({5, 2});
    EXPECT_EQ(model.selection(), QRect(-10, -3, 40, 30));

    // After the release the hint box follows the cursor over the rectangle.
    model.areaMouseUp();
    EXPECT_EQ(model.hintPos(), hintBefore);
    model.areaMouseMove({10, 10});
    EXPECT_EQ(model.selection(), QRect(-10, -3, 40, 30));
    EXPECT_EQ(model.hintPos(), QPoint(20, 20));
}

TEST(SelectionModelTest, LabelShowsScreenPixelsAtEveryRatio)
{
    const std::pair<qreal, const char *> cases[]
        = {{1.0, " 20x 10"}, {1.5, " 30x 15"}, {2.0, " 40x 20"}, {1.25, " 25x 13"}};
    for (const auto &[ratio, label] : cases) {
        SelectionModel model(ratio);
        // An odd anchor puts the edges on half device pixels at 1.5.
        draw(model, {33, 17}, {53, 27});
        EXPECT_EQ(model.labelText(), label) << ratio;
    }
}

TEST(DeviceGeometryTest, SelectionMapsToWholeScreenPixelsOfAFixedSize)
{
    using DeviceGeometry::selectionDeviceRect;
    // Moved anywhere, partly off the picture too, the size its label showed.
    for (const qreal ratio : {1.0, 1.25, 1.5, 1.75, 2.0}) {
        const QSize size = selectionDeviceRect({0, 0, 21, 11}, ratio).size();
        for (int x = -7; x <= 7; ++x) {
            const QRect moved = selectionDeviceRect({x, x * 3, 21, 11}, ratio);
            EXPECT_EQ(moved.size(), size) << ratio << " at " << x;
            const int step = selectionDeviceRect({x + 1, x * 3, 21, 11}, ratio).x() - moved.x();
            EXPECT_TRUE(step == int(ratio) || step == int(ratio) + 1) << ratio << " at " << x;
        }
    }
}

} // namespace
