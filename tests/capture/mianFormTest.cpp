// The capture window driven by real mouse and key events on Qt's offscreen
// platform, with a frozen picture injected in place of the screen.
#include "mianForm.h"
#include "Files.h"
#include "FrozenPicture.h"
#include "SelectionFrame.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

QImage rgb32(const QImage &image)
{
    return image.convertToFormat(QImage::Format_RGB32);
}

class mianFormTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        QGuiApplication::clipboard()->setText("earlier clipboard");
    }

    // A test may end on a press that closed the window; Qt would carry that
    // button over as held into the next test.
    void TearDown() override
    {
        for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton})
            if (m_form && QTestPrivate::qtestMouseButtons.testFlag(button))
                release({1, 1}, button);
    }

    // A frozen picture of the screen at `ratio` whose neighbouring pixels differ.
    void start(qreal ratio = 1.0, const QString &programFolder = {})
    {
        const QSize logical = QGuiApplication::primaryScreen()->geometry().size();
        QImage image((QSizeF(logical) * ratio).toSize(), QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, qRgb((x * 7) & 0xff, (y * 13) & 0xff, (x ^ y) & 0xff));
        m_frozen = QPixmap::fromImage(image);
        m_frozen.setDevicePixelRatio(ratio);
        m_form = std::make_unique<mianForm>(
            m_frozen, programFolder.isEmpty() ? m_dir.path() : programFolder);
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

    QTemporaryDir m_dir;
    QPixmap m_frozen;
    std::unique_ptr<mianForm> m_form;
};

TEST_F(mianFormTest, FirstFrameIsTheFrozenPictureWithTheHintBox)
{
    start();
    const mianForm &form = *m_form;
    EXPECT_TRUE(form.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(form.geometry(), QGuiApplication::primaryScreen()->geometry());
    EXPECT_EQ(form.Text1->pos(), QPoint(360, 280));
    EXPECT_EQ(form.Text1->text(), "\n 当前截屏状态\n Esc/右键退出\n 双击截屏区域完成截屏\n");
    EXPECT_TRUE(form.Text1->isVisible());
    EXPECT_TRUE(form.Label1->text().isEmpty());
    EXPECT_FALSE(form.areaimg->isVisible());
    EXPECT_FALSE(form.Picture2->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), form.Picture1);
}

// A right press cancels only on the bare picture, Esc only on its real
// release (the two-step rule itself is SelectionModel's).
TEST_F(mianFormTest, CancelComesFromARightPressOnThePictureOrAnEscRelease)
{
    start();
    drag({100, 100}, {200, 160});
    EXPECT_EQ(m_form->areaimg->geometry(), QRect(100, 100, 100, 60));
    EXPECT_EQ(m_form->Label1->text(), " 100x 60");
    EXPECT_EQ(m_form->Text1->pos(), QPoint(210, 170));

    press({150, 130}, Qt::RightButton);
    release({150, 130}, Qt::RightButton);
    QTest::keyPress(window(), Qt::Key_Escape);
    keyUp(Qt::Key_Q);
    // A held Esc repeats its release too.
    QKeyEvent repeated(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(m_form->Picture1, &repeated);
    EXPECT_TRUE(m_form->areaimg->isVisible());

    keyUp(Qt::Key_Escape);
    EXPECT_FALSE(m_form->areaimg->isVisible());
    EXPECT_TRUE(m_form->Label1->text().isEmpty());
    EXPECT_TRUE(m_form->isVisible());
    press({500, 400}, Qt::RightButton);
    EXPECT_FALSE(m_form->isVisible());
    EXPECT_EQ(m_form->outcome().exitStatus, CaptureOutcome::UserQuit);
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

TEST_F(mianFormTest, DoubleClickNeedsAWidthButNoHeight)
{
    // Straight on the rectangle: one this thin cannot be hit by position.
    const auto doubleClickOnSelection = [this] {
        QTest::mousePress(m_form->areaimg, Qt::LeftButton);
        QTest::mouseRelease(m_form->areaimg, Qt::LeftButton);
        QTest::mouseDClick(m_form->areaimg, Qt::LeftButton);
        QTest::mouseRelease(m_form->areaimg, Qt::LeftButton);
    };
    start();
    drag({100, 100}, {100, 160});
    ASSERT_EQ(m_form->areaimg->geometry(), QRect(100, 100, 0, 60));
    doubleClickOnSelection();
    EXPECT_TRUE(m_form->isVisible());
    EXPECT_TRUE(m_form->Picture2->pixmap().isNull());

    // Goes through and closes; with no pixels to take nothing is written and
    // the clipboard keeps what it held.
    drag({100, 100}, {180, 100});
    ASSERT_EQ(m_form->areaimg->geometry(), QRect(100, 100, 80, 0));
    doubleClickOnSelection();
    EXPECT_FALSE(m_form->isVisible());
    EXPECT_EQ(m_form->outcome().exitStatus, CaptureOutcome::FileNotWritten);
    EXPECT_FALSE(m_form->outcome().clipboardSet);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "earlier clipboard");
    EXPECT_TRUE(testsupport::entriesOf(m_dir.path()).isEmpty());
}

TEST_F(mianFormTest, DoubleClickTakesExactlyTheSelectedScreenPixels)
{
    // The screen is 800x800 logical pixels; `captured` is worked out by hand.
    const struct
    {
        const char *name;
        qreal ratio;
        QPoint drawFrom, drawTo, grab, drop, doubleClick;
        const char *label;
        QRect captured;
    } cases[] = {{"moved", 1.0, {100, 120}, {300, 250}, {150, 130}, {170, 160}, {200, 200},
                     " 200x 130", {120, 150, 200, 130}},
        // (133, 117, 20, 10) logical: 199.5 and 175.5 round up.
        {"moved at ratio 1.5", 1.5, {33, 17}, {53, 27}, {40, 20}, {140, 120}, {143, 122}, " 30x 15",
            {200, 176, 30, 15}},
        // (-30, -20, 100, 60): only what is left on the picture.
        {"partly off top-left", 1.0, {20, 20}, {120, 80}, {30, 30}, {-20, -10}, {40, 20},
            " 100x 60", {0, 0, 70, 40}},
        // (750, 770, 60, 40) logical, (1125, 1155, 90, 60) on a 1200x1200 picture.
        {"partly off bottom-right at ratio 1.5", 1.5, {700, 740}, {760, 780}, {710, 750},
            {760, 780}, {770, 785}, " 90x 60", {1125, 1155, 75, 45}}};
    ASSERT_EQ(QGuiApplication::primaryScreen()->geometry().size(), QSize(800, 800));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir folder;
        // Given with its separator: the doubled one is harmless.
        start(c.ratio, folder.path() + QDir::separator());
        drag(c.drawFrom, c.drawTo);
        drag(c.grab, c.drop);
        const QRect selection = m_form->areaimg->geometry();
        EXPECT_EQ(m_form->Label1->text(), c.label);
        EXPECT_EQ(m_form->Label1->pos(), selection.topLeft() - QPoint(0, 15));

        QTest::mouseDClick(window(), Qt::LeftButton, {}, c.doubleClick);

        EXPECT_EQ(m_form->areaimg->geometry(), selection);
        EXPECT_FALSE(m_form->isVisible());
        const QImage expected = rgb32(m_frozen.toImage()).copy(c.captured);
        EXPECT_EQ(rgb32(m_form->Picture2->pixmap().toImage()), expected);
        EXPECT_EQ(rgb32(QGuiApplication::clipboard()->image()), expected);
        EXPECT_EQ(m_form->outcome().exitStatus, CaptureOutcome::FileWritten);
        EXPECT_EQ(testsupport::entriesOf(folder.path()), QStringList {"doduvora.jpg"});
        EXPECT_EQ(QImage(folder.filePath("doduvora.jpg"), "JPEG").size(), c.captured.size());
    }
}

} // namespace
