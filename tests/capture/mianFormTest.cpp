// Drives the capture window through real mouse and key events on Qt's
// offscreen platform, with a frozen picture injected in place of the screen.
#include "mianForm.h"
#include "FrozenPicture.h"
#include "ScopedMount.h"
#include "SelectionFrame.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
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

QImage rgb32(const QImage &image)
{
    return image.convertToFormat(QImage::Format_RGB32);
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QString earlierClipboard = QStringLiteral("earlier clipboard");

class mianFormTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        QGuiApplication::clipboard()->setText(earlierClipboard);
    }

    // A test may end on a press (one that closed the window); QTest and Qt
    // would both carry that button over as held into the next test.
    void TearDown() override
    {
        for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton})
            if (m_form && QTestPrivate::qtestMouseButtons.testFlag(button))
                release(QPoint(1, 1), button);
    }

    // programFolder: the folder under test, m_dir's when empty.
    void start(qreal ratio = 1.0, const QString &programFolder = QString())
    {
        m_frozen = testPattern(ratio);
        m_form = std::make_unique<mianForm>(
            m_frozen, programFolder.isEmpty() ? m_dir.path() : programFolder);
        m_form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_form.get()));
    }

    // The frozen screen pixels of a rectangle in device pixels.
    QImage frozenPixels(QRect deviceRect) const
    {
        return rgb32(m_frozen.toImage()).copy(deviceRect);
    }

    // A double click straight on a widget, for a selection too thin to be hit.
    static void doubleClickOn(QWidget *widget)
    {
        QTest::mousePress(widget, Qt::LeftButton);
        QTest::mouseRelease(widget, Qt::LeftButton);
        QTest::mouseDClick(widget, Qt::LeftButton);
        QTest::mouseRelease(widget, Qt::LeftButton);
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
    EXPECT_EQ(form.programFolder(), m_dir.path());

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
    EXPECT_EQ(m_form->outcome().exitStatus, CaptureOutcome::UserQuit);
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
    start();
    drag({100, 100}, {100, 160});
    ASSERT_EQ(m_form->areaimg->geometry(), QRect(100, 100, 0, 60));
    doubleClickOn(m_form->areaimg);
    EXPECT_TRUE(m_form->isVisible());
    EXPECT_EQ(m_form->outcome().exitStatus, CaptureOutcome::UserQuit);
    EXPECT_TRUE(m_form->Picture2->pixmap().isNull());

    // Goes through and closes; with no pixels to take nothing is written and
    // the clipboard keeps what it held.
    drag({100, 100}, {180, 100});
    ASSERT_EQ(m_form->areaimg->geometry(), QRect(100, 100, 80, 0));
    doubleClickOn(m_form->areaimg);
    EXPECT_FALSE(m_form->isVisible());
    EXPECT_EQ(m_form->outcome().exitStatus, CaptureOutcome::FileNotWritten);
    EXPECT_FALSE(m_form->outcome().clipboardSet);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), earlierClipboard);
    EXPECT_TRUE(entries(m_dir.path()).isEmpty());
}

struct CaptureCase
{
    const char *name;
    qreal ratio;
    QPoint drawFrom, drawTo; // draws the selection
    QPoint grab, drop; // then moves it
    QPoint doubleClick;
    QRect captured; // the screen pixels to take, worked out by hand
};

void PrintTo(const CaptureCase &c, std::ostream *out)
{
    *out << c.name;
}

class mianFormCaptureTest : public mianFormTest, public ::testing::WithParamInterface<CaptureCase>
{
};

// The offscreen screen is 800x800 logical pixels.
INSTANTIATE_TEST_SUITE_P(Selections, mianFormCaptureTest,
    ::testing::Values(CaptureCase {"Moved", 1.0, {100, 120}, {300, 250}, {150, 130}, {170, 160},
                          {200, 200}, {120, 150, 200, 130}},
        // (133, 117, 20, 10) logical: 199.5 and 175.5 round up.
        CaptureCase {"MovedAtRatio1_5", 1.5, {33, 17}, {53, 27}, {40, 20}, {140, 120}, {143, 122},
            {200, 176, 30, 15}},
        // (-30, -20, 100, 60): only what is left on the picture.
        CaptureCase {"PartlyOffTopLeft", 1.0, {20, 20}, {120, 80}, {30, 30}, {-20, -10}, {40, 20},
            {0, 0, 70, 40}},
        // (750, 770, 60, 40) logical, (1125, 1155, 90, 60) on a 1200x1200 picture.
        CaptureCase {"PartlyOffBottomRightAtRatio1_5", 1.5, {700, 740}, {760, 780}, {710, 750},
            {760, 780}, {770, 785}, {1125, 1155, 75, 45}}),
    [](const auto &param) { return std::string(param.param.name); });

TEST_P(mianFormCaptureTest, TakesExactlyTheSelectedScreenPixels)
{
    const CaptureCase &c = GetParam();
    // A folder given with its separator: the doubled one is harmless.
    start(c.ratio, m_dir.path() + QDir::separator());
    ASSERT_EQ(QGuiApplication::primaryScreen()->geometry().size(), QSize(800, 800));
    drag(c.drawFrom, c.drawTo);
    drag(c.grab, c.drop);
    const QRect selection = m_form->areaimg->geometry();

    QTest::mouseDClick(window(), Qt::LeftButton, {}, c.doubleClick);

    EXPECT_EQ(m_form->areaimg->geometry(), selection);
    EXPECT_FALSE(m_form->isVisible());
    EXPECT_FALSE(m_form->Picture2->isVisible());
    const QImage expected = frozenPixels(c.captured);
    EXPECT_EQ(rgb32(m_form->Picture2->pixmap().toImage()), expected);
    EXPECT_EQ(rgb32(QGuiApplication::clipboard()->image()), expected);
    EXPECT_TRUE(m_form->outcome().clipboardSet);
    EXPECT_EQ(m_form->outcome().exitStatus, CaptureOutcome::FileWritten);
    EXPECT_EQ(entries(m_dir.path()), QStringList {QStringLiteral("doduvora.jpg")});
    EXPECT_EQ(
        QImage(m_dir.filePath(QStringLiteral("doduvora.jpg")), "JPEG").size(), c.captured.size());
}

TEST_F(mianFormTest, UnwritableFolderEndsWithStatusTwoKeepingClipboardAndEarlierFile)
{
    const QByteArray earlier("an earlier capture");
    const QString file = m_dir.filePath(QStringLiteral("doduvora.jpg"));
    {
        QFile earlierFile(file);
        ASSERT_TRUE(earlierFile.open(QIODevice::WriteOnly));
        ASSERT_EQ(earlierFile.write(earlier), earlier.size());
    }
    const ReadOnlyFolder readOnly(m_dir.path());
    ASSERT_TRUE(readOnly.isReadOnly()) << "needs root to mount";
    start();
    drag({100, 100}, {200, 160});

    QTest::mouseDClick(window(), Qt::LeftButton, {}, QPoint(150, 130));

    EXPECT_FALSE(m_form->isVisible());
    EXPECT_EQ(m_form->outcome().exitStatus, CaptureOutcome::FileNotWritten);
    EXPECT_TRUE(m_form->outcome().clipboardSet);
    EXPECT_EQ(rgb32(QGuiApplication::clipboard()->image()), frozenPixels({100, 100, 100, 60}));
    EXPECT_EQ(contents(file), earlier);
    EXPECT_EQ(entries(m_dir.path()), QStringList {QStringLiteral("doduvora.jpg")});
}

} // namespace
