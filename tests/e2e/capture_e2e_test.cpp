// End-to-end: the real vexacaptScreen on an Xvfb server (see with-xvfb.sh)
// whose root window shows a known pattern, driven with xdotool and checked
// from screenshots of the whole screen.
#include "CaptureScreenTest.h"

namespace {

using namespace e2e;

using CaptureE2E = CaptureScreenTest;

TEST_F(CaptureE2E, SelectionOverTheFrozenPictureThenEscTwiceQuits)
{
    startCapture();
    const QRect firstHint = waitForFirstFrame();
    ASSERT_FALSE(HasFailure());
    EXPECT_GE(firstHint.width(), 137);
    EXPECT_GE(firstHint.height(), 57);

    xdotool({"mousemove", "100", "120", "mousedown", "1", "mousemove", "200", "180", "mousemove",
        "300", "250", "mouseup", "1", "mousemove", "640", "500"});

    const QRect selection(100, 120, 200, 130);
    const QRect label(100, 105, 121, 17);
    const QPoint hintCorner(650, 510);
    QImage shot;
    ASSERT_TRUE(waitUntil([&] {
        shot = settledScreenshot();
        return !shot.isNull() && !samePixel(shot, m_pattern, hintCorner)
            && !samePixel(shot, m_pattern, selection.bottomRight());
    })) << "the selection or the moved hint box never showed";

    const QRect hint = hintBoxAt(shot, hintCorner);
    EXPECT_EQ(hint.size(), firstHint.size());
    std::vector<QRect> excluded = borderOf(selection);
    excluded.push_back(label);
    excluded.push_back(hint);
    EXPECT_EQ(differencesOutside(shot, m_pattern, excluded), 0);
    // The border is exactly the selection's edge, and the label shows its size.
    int sidePixels = 0;
    int blackPixels = 0;
    for (const QRect &side : borderOf(selection)) {
        for (int y = side.top(); y <= side.bottom(); ++y) {
            for (int x = side.left(); x <= side.right(); ++x) {
                ++sidePixels;
                blackPixels += (shot.pixel(x, y) & 0xffffff) == 0 ? 1 : 0;
            }
        }
    }
    EXPECT_EQ(blackPixels, sidePixels);
    int labelPixels = 0;
    for (int y = label.top(); y <= label.bottom(); ++y)
        for (int x = label.left(); x <= label.right(); ++x)
            labelPixels += samePixel(shot, m_pattern, QPoint(x, y)) ? 0 : 1;
    EXPECT_GT(labelPixels, 0);

    // First Esc: the selection and its label go, the window stays.
    xdotool({"key", "Escape"});
    ASSERT_TRUE(waitUntil([&] {
        shot = settledScreenshot();
        return !shot.isNull() && samePixel(shot, m_pattern, selection.bottomRight());
    })) << "the first Esc did not remove the selection";
    EXPECT_EQ(differencesOutside(shot, m_pattern, {hint}), 0);
    EXPECT_EQ(m_capture.state(), QProcess::Running);

    xdotool({"key", "Escape"});
    EXPECT_EQ(exitCodeOfCapture(), 1);
}

TEST_F(CaptureE2E, RightPressOnTheBarePictureQuits)
{
    startCapture();
    waitForFirstFrame();
    ASSERT_FALSE(HasFailure());
    xdotool({"mousemove", "500", "400", "click", "3"});
    EXPECT_EQ(exitCodeOfCapture(), 1);
}

// On a scaled screen every screen pixel of the frozen picture stays where it
// was: the hint box, at its place in logical pixels, is the only change.
TEST_F(CaptureE2E, FrozenPictureStaysExactAtRatioOneAndAHalf)
{
    startCapture("1.5");
    const QRect hint = waitForFirstFrame(QPoint(540, 420));
    ASSERT_FALSE(HasFailure());
    EXPECT_GE(hint.width(), 137 * 3 / 2);
    xdotool({"key", "Escape"});
    EXPECT_EQ(exitCodeOfCapture(), 1);
}

} // namespace
