// Drives the capture window through real mouse and key events on Qt's
// offscreen platform, with a frozen picture injected in place of the screen.
#include "mianForm.h"
#include "FrozenPicture.h"
#include "SelectionFrame.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

class QtApplication : public ::testing::Environment
{
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "mianFormTest";
        static char *argv[] = {name, nullptr};
        m_app = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { m_app.reset(); }

private:
    std::unique_ptr<QApplication> m_app;
};

[[maybe_unused]] ::testing::Environment *const qtEnvironment
    = ::testing::AddGlobalTestEnvironment(new QtApplication);

// A picture in which neighbouring pixels differ, the size of the primary
// screen in device pixels.
QPixmap testPattern(qreal ratio)
{
    const QSize logical = QGuiApplication::primaryScreen()->geometry().size();
    QImage image((QSizeF(logical) * ratio).toSize(), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb((x * 7) & 0xff, (y * 13) & 0xff, (x ^ y) & 0xff));
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

class mianFormTest : public ::testing::Test
{
protected:
    void start(qreal ratio = 1.0)
    {
        m_frozen = testPattern(ratio);
        m_form = std::make_unique<mianForm>(m_frozen, QStringLiteral("/opt/vexa"));
        m_form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_form.get()));
    }

    QWindow *window() const { return m_form->windowHandle(); }
    void press(QPoint pos, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mousePress(window(), button, {}, pos);
    }
    void release(QPoint pos, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseRelease(window(), button, {}, pos);
    }
    void move(QPoint pos) { QTest::mouseMove(window(), pos); }
    void drag(QPoint from, QPoint to)
    {
        press(from);
        move(to);
        release(to);
    }
    void keyUp(Qt::Key key) { QTest::keyRelease(window(), key); }

    QPixmap m_frozen;
    std::unique_ptr<mianForm> m_form;
};

TEST_F(mianFormTest, FirstFrameIsTheFrozenPictureWithTheHintBox)
{
    start();
    const mianForm &form = *m_form;
    EXPECT_TRUE(form.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(form.geometry(), QGuiApplication::primaryScreen()->geometry());
    EXPECT_EQ(form.Picture1->geometry(), form.rect());
    EXPECT_EQ(form.Text1->pos(), QPoint(360, 280));
    EXPECT_TRUE(form.Text1->isVisible());
    EXPECT_EQ(form.Text1->text(),
        QStringLiteral("\n 当前截屏状态\n Esc/右键退出\n 双击截屏区域完成截屏\n"));
    EXPECT_TRUE(form.Label1->text().isEmpty());
    EXPECT_FALSE(form.areaimg->isVisible());
    EXPECT_FALSE(form.Picture2->isVisible());
    EXPECT_EQ(form.Picture1->cursor().shape(), Qt::CrossCursor);
    EXPECT_EQ(form.areaimg->cursor().shape(), Qt::SizeAllCursor);
    EXPECT_EQ(QApplication::focusWidget(), form.Picture1);
    EXPECT_EQ(form.programFolder(), QStringLiteral("/opt/vexa"));

    // What the window paints is the frozen picture, except under the hint box.
    const QImage shown = m_form->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage frozen = m_frozen.toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), frozen.size());
    int differing = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if (!form.Text1->geometry().contains(x, y) && shown.pixel(x, y) != frozen.pixel(x, y))
                ++differing;
    EXPECT_EQ(differing, 0);
    EXPECT_NE(shown.pixel(form.Text1->pos() + QPoint(1, 1)),
        frozen.pixel(form.Text1->pos() + QPoint(1, 1)));
}

TEST_F(mianFormTest, DraggingOnThePictureDrawsTheSelectionAndItsSize)
{
    start();
    press({100, 120});
    move({300, 250});
    EXPECT_TRUE(m_form->isDrawing());
    release({300, 250});
    EXPECT_FALSE(m_form->isDrawing());

    EXPECT_TRUE(m_form->areaimg->isVisible());
    EXPECT_EQ(m_form->areaimg->geometry(), QRect(100, 120, 200, 130));
    EXPECT_EQ(m_form->Label1->text(), QStringLiteral(" 200x 130"));
    EXPECT_EQ(m_form->Label1->pos(), QPoint(100, 105));
    EXPECT_EQ(m_form->Text1->pos(), QPoint(310, 260));

    // The release came over the rectangle: its first move there only carries the hint.
    move({150, 150});
    EXPECT_EQ(m_form->areaimg->geometry(), QRect(100, 120, 200, 130));
    EXPECT_EQ(m_form->Text1->pos(), QPoint(160, 160));
}

TEST_F(mianFormTest, SizeLabelCountsScreenPixelsAtRatioOneAndAHalf)
{
    start(1.5);
    drag({33, 17}, {53, 27});
    EXPECT_EQ(m_form->areaimg->geometry(), QRect(33, 17, 20, 10));
    EXPECT_EQ(m_form->Label1->text(), QStringLiteral(" 30x 15"));
}

TEST_F(mianFormTest, MovingTheSelectionCarriesTheLabelButNotTheHintBox)
{
    start();
    drag({100, 100}, {200, 160});
    move({150, 130});
    const QPoint hint = m_form->Text1->pos();

    press({150, 130});
    EXPECT_TRUE(m_form->isDragging());
    move({400, 330});
    EXPECT_EQ(m_form->areaimg->geometry(), QRect(350, 300, 100, 60));
    EXPECT_EQ(m_form->Label1->pos(), QPoint(350, 285));
    EXPECT_EQ(m_form->Label1->text(), QStringLiteral(" 100x 60"));
    EXPECT_EQ(m_form->Text1->pos(), hint);
    release({400, 330});
    EXPECT_FALSE(m_form->isDragging());

    move({410, 335});
    EXPECT_EQ(m_form->areaimg->geometry(), QRect(350, 300, 100, 60));
    EXPECT_EQ(m_form->Text1->pos(), QPoint(420, 345));
}

TEST_F(mianFormTest, RightPressActsOnlyOnTheBarePicture)
{
    start();
    drag({100, 100}, {200, 160});
    press({150, 130}, Qt::RightButton);
    release({150, 130}, Qt::RightButton);
    EXPECT_TRUE(m_form->areaimg->isVisible());
    EXPECT_EQ(m_form->Label1->text(), QStringLiteral(" 100x 60"));

    press({500, 400}, Qt::RightButton);
    release({500, 400}, Qt::RightButton);
    EXPECT_FALSE(m_form->areaimg->isVisible());
    EXPECT_TRUE(m_form->Label1->text().isEmpty());
    EXPECT_TRUE(m_form->isVisible());

    press({500, 400}, Qt::RightButton);
    EXPECT_FALSE(m_form->isVisible());
    EXPECT_EQ(m_form->exitStatus(), ExitStatus::UserQuit);
}

TEST_F(mianFormTest, EscapeActsOnReleaseAndTwiceCloses)
{
    start();
    drag({100, 100}, {100, 100});
    EXPECT_TRUE(m_form->areaimg->isVisible());

    QTest::keyPress(window(), Qt::Key_Escape);
    keyUp(Qt::Key_Q);
    keyUp(Qt::Key_Return);
    EXPECT_TRUE(m_form->areaimg->isVisible());

    // A held Esc repeats its release; only the real one counts.
    QKeyEvent repeated(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(m_form->Picture1, &repeated);
    EXPECT_TRUE(m_form->areaimg->isVisible());

    keyUp(Qt::Key_Escape);
    EXPECT_FALSE(m_form->areaimg->isVisible());
    EXPECT_TRUE(m_form->isVisible());
    keyUp(Qt::Key_Escape);
    EXPECT_FALSE(m_form->isVisible());
    EXPECT_EQ(m_form->exitStatus(), ExitStatus::UserQuit);
}

TEST_F(mianFormTest, EscapeWhileMovingEndsTheMove)
{
    start();
    drag({100, 100}, {200, 160});
    press({150, 130});
    move({160, 140});
    keyUp(Qt::Key_Escape);
    EXPECT_FALSE(m_form->areaimg->isVisible());
    release({170, 150});
    EXPECT_FALSE(m_form->isDragging());

    // A new selection is not dragged along by a bare hover over it.
    drag({300, 300}, {400, 380});
    move({350, 340});
    move({360, 350});
    EXPECT_EQ(m_form->areaimg->geometry(), QRect(300, 300, 100, 80));
}

TEST_F(mianFormTest, DoubleClickOnTheSelectionLeavesItInPlace)
{
    start();
    drag({100, 100}, {200, 160});
    QSignalSpy doubleClicks(m_form->areaimg, &SelectionFrame::doubleClicked);
    QTest::mouseDClick(window(), Qt::LeftButton, {}, QPoint(150, 130));
    EXPECT_EQ(doubleClicks.count(), 1);
    EXPECT_FALSE(m_form->isDragging());
    EXPECT_EQ(m_form->areaimg->geometry(), QRect(100, 100, 100, 60));
    EXPECT_TRUE(m_form->isVisible());
}

} // namespace
