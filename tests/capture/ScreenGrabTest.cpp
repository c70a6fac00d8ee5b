// The screen grab on a real X server (run under with-xvfb.sh, at the size and
// depth ctest gives): the MIT-SHM grab, and the grab the capture window gets
// on either path, are exactly Qt's own grab of the same screen.
// VEXA_EXPECT_SHM=1 says the server offers MIT-SHM, 0 that it does not.
#include "ScreenGrab.h"
#include "X11ShmGrab.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

QTemporaryDir *scratch;

// Puts a picture on the root window in which neighbouring pixels, lines and
// colour channels all differ, so a shifted line, a wrong stride or swapped
// channels shows. `seed` makes a different picture of the same kind.
bool showPattern(int width, int height, int seed)
{
    QImage pattern(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            pattern.setPixel(x, y,
                qRgb((x * 7 + y + seed) & 0xff, (y * 5 + x / 3 + seed * 3) & 0xff,
                    (x ^ y ^ seed) & 0xff));
    }
    const QString file = scratch->filePath(QString("pattern%1.png").arg(seed));
    if (!pattern.save(file))
        return false;
    // ImageMagick's display ends with status 1 even when it has set the background.
    const std::string command = "display -window root '" + file.toStdString() + "'";
    return std::system(command.c_str()) != -1;
}

QSize screenSize()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize();
}

bool expectShm()
{
    return qgetenv("VEXA_EXPECT_SHM") == "1";
}

// Pixel for pixel, the bytes a pixel leaves unused included (QImage's ==
// ignores those).
bool sameBits(const QImage &a, const QImage &b)
{
    if (a.size() != b.size() || a.format() != b.format())
        return false;
    const auto lineBytes = static_cast<size_t>(a.width() * a.depth() / 8);
    for (int y = 0; y < a.height(); ++y) {
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), lineBytes) != 0)
            return false;
    }
    return true;
}

QImage qtGrab()
{
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage();
}

// main() shows the first pattern and starts the early grab before Qt starts.
TEST(ScreenGrab, ShmAndFallbackGiveQtsPictureExactly)
{
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
    const QImage first = qtGrab();
    ASSERT_FALSE(first.isNull());
    ASSERT_EQ(first.size(), screenSize());

    // The grab on a connection of its own, now.
    const QImage shm = X11ShmGrab::grabNow(nullptr);
    if (expectShm()) {
        ASSERT_FALSE(shm.isNull()) << "no MIT-SHM grab although the server offers it";
        EXPECT_TRUE(sameBits(shm, first)) << "the MIT-SHM grab differs from Qt's";
    } else {
        EXPECT_TRUE(shm.isNull());
    }

    // The screen changes after the early grab: the capture window gets the
    // early picture when MIT-SHM is there, else Qt's grab of the screen as it
    // is now; both exactly.
    ASSERT_TRUE(showPattern(first.width(), first.height(), 2));
    const QImage second = qtGrab();
    ASSERT_FALSE(second == first) << "the second pattern did not show";
    const QPixmap grabbed = grabPrimaryScreen();
    EXPECT_EQ(grabbed.devicePixelRatio(), QGuiApplication::primaryScreen()->devicePixelRatio());
    EXPECT_TRUE(sameBits(grabbed.toImage(), expectShm() ? first : second));
    // The early picture is handed out once; later grabs are Qt's.
    EXPECT_TRUE(X11ShmGrab::take().isNull());
    EXPECT_TRUE(sameBits(grabPrimaryScreen().toImage(), second));
}

} // namespace

int main(int argc, char *argv[])
{
    ::testing::InitGoogleTest(&argc, argv);
    QTemporaryDir dir;
    scratch = &dir;
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "run under tests/e2e/with-xvfb.sh\n");
        return 1;
    }
    // The root's size, before Qt: from xdpyinfo's "dimensions:" line.
    int width = 0, height = 0;
    if (FILE *info = popen(
            "xdpyinfo | sed -n 's/^ *dimensions: *\\([0-9]*\\)x\\([0-9]*\\).*/\\1 \\2/p'", "r")) {
        if (std::fscanf(info, "%d %d", &width, &height) != 2)
            width = height = 0;
        pclose(info);
    }
    if (width <= 0 || !showPattern(width, height, 1)) {
        std::fprintf(stderr, "cannot put a pattern on the screen\n");
        return 1;
    }
    X11ShmGrab::start();
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
