// The real vexacaptScreen on a headless KWin session (see with-kwin.sh): as the
// installer leaves it, in an install folder that KWin grants its screenshot
// interface through the installer's own hidden entry, on Qt's wayland platform
// and under XWayland; and as it lies in the build tree, which KWin does not
// grant, so the screenshot portal serves it. A window of this program shows
// testsupport::screenPattern over the whole output, fake input moves the
// pointer and presses keys, and what the output shows is read through KWin's
// screenshot interface, which leaves the live pointer out.
//
// Run as with-kwin.sh --before capture_kwin_e2e_test --prepare -- capture_kwin_e2e_test.
#include "CaptureChecks.h"
#include "KWinScreenShot.h"
#include "KWinSession.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRasterWindow>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <string>

namespace {

using testsupport::differenceBox;
using testsupport::printedPicture;
using testsupport::waitMs;
using testsupport::waitUntil;

constexpr QSize outputSize(1920, 1080);
// Where the pointer rests while a capture starts: far from where the hint box
// first stands, and the frozen picture of a pointer there would show beside
// the hint box even where the box follows the pointer.
constexpr QPoint restingPointer(1500, 800);
const QString installedTool = testsupport::kwinInstallFolder() + QStringLiteral("/vexacaptScreen");

// The whole output as KWin draws it, without the live pointer; null on failure.
QImage screen()
{
    const auto shot
        = KWinScreenShot::request(QDBusConnection::sessionBus(), std::chrono::seconds(3));
    return shot ? shot->take().convertToFormat(QImage::Format_RGB32) : QImage();
}

// True when every pixel of `area` equals the pattern.
bool asInPattern(const QImage &shot, const QImage &pattern, const QRect &area)
{
    return shot.copy(area) == pattern.copy(area);
}

// True when the pixels that differ from the pattern fill their bounding box to
// its edges, as a box drawn over the picture does; a frozen pointer beside it
// leaves an edge of the bounding box nearly empty.
bool solidBox(const QImage &shot, const QImage &pattern, const QRect &box)
{
    const auto filled = [&](QPoint from, QPoint step, int count) {
        int differing = 0;
        for (int i = 0; i < count; ++i, from += step)
            differing += shot.pixel(from) != pattern.pixel(from);
        return differing * 20 >= count * 19;
    };
    return filled(box.topLeft(), {1, 0}, box.width())
        && filled(box.bottomLeft(), {1, 0}, box.width())
        && filled(box.topLeft(), {0, 1}, box.height())
        && filled(box.topRight(), {0, 1}, box.height());
}

// The live processes of the program at `path`.
QList<qint64> processesOf(const QString &path)
{
    QList<qint64> found;
    for (const QString &entry : QDir("/proc").entryList(QDir::Dirs)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (number && QFileInfo("/proc/" + entry + "/exe").symLinkTarget() == path)
            found << pid;
    }
    return found;
}

QString picturesFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
}

// The pattern window and the fake input, for every test of the session.
QImage pattern;
QProcess *patternWindow = nullptr;
testsupport::FakeInput *input = nullptr;

class KWinSession : public ::testing::Environment
{
public:
    void SetUp() override
    {
        ASSERT_EQ(qgetenv("XDG_CURRENT_DESKTOP"), "KDE") << "run under with-kwin.sh";
        pattern = testsupport::screenPattern(outputSize.width(), outputSize.height());
        patternWindow = new QProcess;
        patternWindow->setProcessChannelMode(QProcess::ForwardedChannels);
        patternWindow->start(QCoreApplication::applicationFilePath(), {"--pattern"});
        ASSERT_TRUE(patternWindow->waitForStarted(waitMs));
        input = new testsupport::FakeInput;
        ASSERT_TRUE(input->start(FAKE_INPUT_PATH));
        ASSERT_TRUE(waitUntil([] { return screen() == pattern; }))
            << "the output does not show the pattern";
    }
    void TearDown() override
    {
        delete input;
        patternWindow->kill();
        patternWindow->waitForFinished();
        delete patternWindow;
    }
};

class CaptureKWinE2E : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(input->send({"move " + QString::number(restingPointer.x()) + ' '
            + QString::number(restingPointer.y())}));
    }

    void TearDown() override
    {
        m_helper.kill();
        m_helper.waitForFinished();
        for (const QString &program : {installedTool, QStringLiteral(VEXACAPTSCREEN_PATH)})
            for (const qint64 pid : processesOf(program))
                kill(pid_t(pid), SIGKILL);
        EXPECT_TRUE(waitUntil([] {
            return processesOf(installedTool).isEmpty()
                && processesOf(VEXACAPTSCREEN_PATH).isEmpty();
        }));
    }

    void startCapture(const QString &program, const char *platform)
    {
        m_program = program;
        testsupport::startOnPlatform(m_capture, program, platform);
        ASSERT_TRUE(m_capture.waitForStarted(waitMs));
    }

    // Waits for the first frame of the capture window and returns it: the
    // pattern with something over it.
    QImage firstFrame()
    {
        QImage shot;
        EXPECT_TRUE(waitUntil([&] {
            shot = screen();
            return !shot.isNull() && shot != pattern;
        })) << "no window showed";
        return shot;
    }

    // The frozen picture equals the screen outside the hint box: all that
    // differs from the pattern is one box of the hint box's size, in the first
    // frame and once the box may have followed the pointer.
    void expectFrozenPictureWithoutPointer()
    {
        for (const QImage &shot : {firstFrame(), (QThread::msleep(300), screen())}) {
            const QRect box = differenceBox(shot, pattern);
            EXPECT_TRUE(solidBox(shot, pattern, box))
                << "besides the hint box, the picture holds what the screen did not";
            EXPECT_GE(box.width(), 137);
            EXPECT_LE(box.width(), 300);
            EXPECT_LE(box.height(), 150);
            EXPECT_TRUE(asInPattern(shot, pattern, QRect(restingPointer, QSize(10, 10))));
        }
    }

    int exitCodeOfCapture()
    {
        const bool ended
            = m_capture.state() == QProcess::NotRunning || m_capture.waitForFinished(waitMs);
        return ended && m_capture.exitStatus() == QProcess::NormalExit ? m_capture.exitCode() : -1;
    }

    void escapeTwiceQuits()
    {
        ASSERT_TRUE(input->escapeTwice());
        EXPECT_EQ(exitCodeOfCapture(), 1);
        EXPECT_TRUE(waitUntil([&] { return processesOf(m_program).isEmpty(); }));
    }

    QString m_program;
    QProcess m_capture;
    QProcess m_helper; // a client taking the clipboard
};

class CaptureKWinInstalledE2E : public CaptureKWinE2E,
                                public ::testing::WithParamInterface<const char *>
{
};

TEST_P(CaptureKWinInstalledE2E, NoPointerInTheFrozenPictureAndADoubleClickCaptures)
{
    startCapture(installedTool, GetParam());
    expectFrozenPictureWithoutPointer();
    ASSERT_FALSE(HasFailure());

    const QRect captured = testsupport::MovedSelection::captured;
    ASSERT_TRUE(input->send(testsupport::MovedSelection::commands()));
    ASSERT_TRUE(waitUntil([] { return testsupport::MovedSelection::shown(screen(), pattern); }))
        << "the selection never showed where it was moved";
    ASSERT_TRUE(input->send(testsupport::MovedSelection::doubleClick()));
    EXPECT_EQ(exitCodeOfCapture(), 0);

    const QImage written(testsupport::kwinInstallFolder() + "/doduvora.jpg", "JPEG");
    ASSERT_EQ(written.size(), captured.size());
    const auto [toRegion, toShifted] = testsupport::matchRegion(pattern, captured, written);
    EXPECT_GE(toRegion, 30.0);
    EXPECT_GE(toRegion - toShifted, 10.0);

    // The clipboard holds exactly the region, served by the one process left,
    // until another client of the same kind takes it: KWin hands a Wayland
    // client's clipboard to X clients only while one of them is active.
    EXPECT_TRUE(waitUntil([] { return screen() == pattern; })) << "the window stayed";
    EXPECT_EQ(printedPicture("wl-paste", {"-t", "image/png"}), pattern.copy(captured));
    EXPECT_EQ(processesOf(installedTool).size(), 1);
    if (std::string(GetParam()) == "xcb") {
        m_helper.start("xclip", {"-quiet", "-selection", "clipboard", "-i"});
        ASSERT_TRUE(m_helper.waitForStarted(waitMs));
        m_helper.write("taken");
        m_helper.waitForBytesWritten(waitMs);
        m_helper.closeWriteChannel();
    } else {
        m_helper.start("wl-copy", {"--foreground", "taken"});
    }
    EXPECT_TRUE(waitUntil([&] { return processesOf(installedTool).isEmpty(); }))
        << "the keeper stayed after losing the clipboard";
}

TEST_P(CaptureKWinInstalledE2E, EscTwiceQuits)
{
    startCapture(installedTool, GetParam());
    expectFrozenPictureWithoutPointer();
    ASSERT_FALSE(HasFailure());
    escapeTwiceQuits();
}

INSTANTIATE_TEST_SUITE_P(Platforms, CaptureKWinInstalledE2E, ::testing::Values("wayland", "xcb"),
    [](const ::testing::TestParamInfo<const char *> &platform) {
        return std::string(platform.param);
    });

// Without a Pictures folder KDE's portal has nowhere to save its picture and
// answers as if the user had cancelled: the installed tool, which needs no
// file, still captures; the build tree's, which KWin does not grant, says why
// it cannot. Neither creates a folder in the home.
TEST_F(CaptureKWinE2E, WithoutPicturesFolderACaptureOrAMessage)
{
    QDir().rmdir(picturesFolder());
    const QStringList home
        = QDir::home().entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

    startCapture(VEXACAPTSCREEN_PATH, "wayland");
    const QImage message = firstFrame();
    EXPECT_LT(differenceBox(message, pattern).width(), outputSize.width() / 2)
        << "a capture window instead of a message";
    EXPECT_TRUE(waitUntil([&] {
        return input->send({QStringLiteral("key %1").arg(KEY_ESC)})
            && m_capture.waitForFinished(300);
    })) << "the message did not close";
    EXPECT_EQ(exitCodeOfCapture(), 3);
    const QString said = QString::fromUtf8(m_capture.readAllStandardError());
    EXPECT_TRUE(said.contains("无法截取屏幕") && said.contains(picturesFolder()))
        << qPrintable(said);

    startCapture(installedTool, "wayland");
    expectFrozenPictureWithoutPointer();
    escapeTwiceQuits();
    EXPECT_EQ(QDir::home().entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), home);
}

// The build tree's tool, which KWin refuses, gets the screen from the portal,
// whose picture holds the pointer where it rested.
TEST_F(CaptureKWinE2E, WithoutTheGrantThePortalServes)
{
    ASSERT_TRUE(QDir().mkpath(picturesFolder()));
    startCapture(VEXACAPTSCREEN_PATH, "wayland");
    const QImage shot = firstFrame();
    EXPECT_FALSE(asInPattern(shot, pattern, QRect(restingPointer, QSize(10, 10))))
        << "no pointer where it rested: the picture did not come from the portal";
    escapeTwiceQuits();
    // The portal's file was read and removed.
    EXPECT_TRUE(QDir(picturesFolder()).isEmpty());
    QDir().rmdir(picturesFolder());
}

// The whole output's pattern, in a window of its own process so that it
// answers KWin whatever the tests wait for.
int showPattern(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    class Window : public QRasterWindow
    {
        void paintEvent(QPaintEvent *) override { QPainter(this).drawImage(0, 0, pattern); }
    } window;
    pattern = testsupport::screenPattern(outputSize.width(), outputSize.height());
    window.setFlag(Qt::FramelessWindowHint);
    window.showFullScreen();
    return QGuiApplication::exec();
}

} // namespace

int main(int argc, char **argv)
{
    const QByteArray mode = argc > 1 ? argv[1] : "";
    if (mode == "--pattern") {
        qputenv("QT_QPA_PLATFORM", "wayland");
        return showPattern(argc, argv);
    }
    QCoreApplication app(argc, argv);
    if (mode == "--prepare")
        return testsupport::prepareKWinSession(
                   VEXACAPTSCREEN_PATH, QCoreApplication::applicationFilePath(), FAKE_INPUT_PATH)
            ? 0
            : 1;
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new KWinSession);
    return RUN_ALL_TESTS();
}
