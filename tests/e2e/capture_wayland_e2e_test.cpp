// The real vexacaptScreen on a headless sway desktop with the screenshot
// portal (see with-sway.sh), natively on Qt's wayland platform and under
// XWayland, driven by a virtual pointer and wtype, checked from grim's
// pictures of the output and from what it leaves: exit status, doduvora.jpg,
// the clipboard and the process keeping it.
#include "CaptureChecks.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <string>

namespace {

using testsupport::differenceBox;
using testsupport::MovedSelection;
using testsupport::printedPicture;
using testsupport::run;
using testsupport::waitMs;
using testsupport::waitUntil;

// The processes of the program end within this time once they are done (a
// sanitizer build checks for leaks as they exit, which takes a while under load).
constexpr int endsMs = 5000;
constexpr QSize outputSize(1366, 768);

QImage screenshot()
{
    return printedPicture("grim", {"-t", "png", "-"});
}

class CaptureWaylandE2E : public ::testing::TestWithParam<const char *>
{
protected:
    // The output shows testsupport::screenPattern.
    void SetUp() override
    {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("SWAYSOCK")) << "run under with-sway.sh";
        m_pattern = testsupport::screenPattern(outputSize.width(), outputSize.height());
        ASSERT_TRUE(m_pattern.save(m_dir.filePath("pattern.png")));
        ASSERT_EQ(
            run("swaymsg", {"output", "HEADLESS-1", "bg", m_dir.filePath("pattern.png"), "fill"}),
            0);
        ASSERT_TRUE(waitUntil([&] { return screenshot() == m_pattern; }))
            << "the output does not show the pattern";
        ASSERT_TRUE(QDir().mkdir(m_folder));
        ASSERT_TRUE(QFile::copy(VEXACAPTSCREEN_PATH, m_program));

        m_pointer.start(VIRTUAL_POINTER_PATH,
            {QString::number(outputSize.width()), QString::number(outputSize.height())});
        ASSERT_TRUE(m_pointer.waitForStarted(waitMs));
        // Under XWayland the hint box starts where the pointer is. The
        // cursor hides once the pointer rests.
        pointer({"move 360 280"});
        ASSERT_TRUE(waitUntil([&] { return screenshot() == m_pattern; })) << "the cursor stayed";
    }

    void TearDown() override
    {
        for (const QByteArray &pid : m_stoppedBackend)
            kill(pid.toInt(), SIGCONT);
        m_pointer.kill();
        m_pointer.waitForFinished();
        m_helper.kill();
        m_helper.waitForFinished();
        for (const QByteArray &pid : running())
            kill(pid.toInt(), SIGKILL);
        EXPECT_TRUE(waitUntil([&] { return running().isEmpty(); }));
    }

    QList<QByteArray> running() const { return testsupport::processesOf(m_program); }

    // Each command once the compositor has it.
    void pointer(const QStringList &commands)
    {
        for (const QString &command : commands) {
            m_pointer.write(command.toUtf8() + '\n');
            ASSERT_TRUE(m_pointer.waitForReadyRead(waitMs)) << qPrintable(command);
            ASSERT_EQ(m_pointer.readLine(), "ok\n") << qPrintable(command);
        }
    }

    void startCapture(
        const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
    {
        QProcessEnvironment env = environment;
        env.insert("QT_QPA_PLATFORM", GetParam());
        m_capture.setProcessEnvironment(env);
        m_capture.start(m_program, {});
        ASSERT_TRUE(m_capture.waitForStarted(waitMs));
    }

    // Waits for the frozen picture: the pattern with only the hint box on it.
    // No picture on the way may show anything else: no empty, black or
    // half-drawn window.
    void waitForFirstFrame()
    {
        QRect box;
        bool other = false;
        ASSERT_TRUE(waitUntil([&] {
            const QImage shot = screenshot();
            if (shot.isNull())
                return false;
            box = differenceBox(shot, m_pattern);
            other = other || box.width() > 200 || box.height() > 100;
            return !box.isEmpty();
        })) << "the window never showed";
        EXPECT_FALSE(other) << "something besides the hint box differed from the screen";
        EXPECT_GE(box.width(), 137) << "the hint box";
    }

    int exitCodeOfCapture()
    {
        const bool ended
            = m_capture.state() == QProcess::NotRunning || m_capture.waitForFinished(waitMs);
        return ended && m_capture.exitStatus() == QProcess::NormalExit ? m_capture.exitCode() : -1;
    }

    // A message shows, far smaller than the output (no capture window), and
    // once it is closed the program ends with status 3, saying why.
    void expectMessageThenStatusThree(const char *reason)
    {
        QByteArray tree;
        ASSERT_TRUE(waitUntil([&] {
            return run("swaymsg", {"-t", "get_tree"}, &tree) == 0
                && tree.contains("vexacaptScreen");
        })) << "no message showed";
        QRect box;
        EXPECT_TRUE(
            waitUntil([&] { return !(box = differenceBox(screenshot(), m_pattern)).isEmpty(); }));
        EXPECT_LT(box.width(), outputSize.width() / 2);
        // Closed once it has the keyboard, which may come after it shows.
        EXPECT_TRUE(waitUntil([&] {
            return run("wtype", {"-k", "Escape"}) == 0 && m_capture.waitForFinished(300);
        })) << "the message did not close";
        EXPECT_EQ(exitCodeOfCapture(), 3);
        const QString said = QString::fromUtf8(m_capture.readAllStandardError());
        EXPECT_TRUE(said.contains("无法截取屏幕") && said.contains(QString::fromUtf8(reason)))
            << qPrintable(said);
    }

    QTemporaryDir m_dir;
    QList<QByteArray> m_stoppedBackend;
    QImage m_pattern;
    const QString m_folder = m_dir.filePath("program");
    const QString m_program = m_folder + "/vexacaptScreen";
    QProcess m_capture;
    QProcess m_pointer;
    QProcess m_helper; // a client taking the clipboard
};

TEST_P(CaptureWaylandE2E, DoubleClickWritesTheRegionAndKeepsTheClipboardUntilTaken)
{
    startCapture();
    waitForFirstFrame();
    ASSERT_FALSE(HasFailure());

    pointer(MovedSelection::commands());
    const QRect captured = MovedSelection::captured;
    ASSERT_TRUE(waitUntil([&] { return MovedSelection::shown(screenshot(), m_pattern); }))
        << "the selection never showed where it was moved";

    pointer(MovedSelection::doubleClick());
    EXPECT_EQ(exitCodeOfCapture(), 0);

    const QImage written(m_folder + "/doduvora.jpg", "JPEG");
    ASSERT_EQ(written.size(), captured.size());
    const auto [toRegion, toShifted] = testsupport::matchRegion(m_pattern, captured, written);
    EXPECT_GE(toRegion, 30.0);
    EXPECT_GE(toRegion - toShifted, 10.0);

    // The caller has its status and the window is gone; the clipboard still
    // holds exactly the region, served by the one process left.
    EXPECT_TRUE(waitUntil([&] { return screenshot() == m_pattern; })) << "the window stayed";
    EXPECT_EQ(printedPicture("wl-paste", {"-t", "image/png"}), m_pattern.copy(captured));
    EXPECT_EQ(running().size(), 1);

    m_helper.start("wl-copy", {"--foreground", "taken"});
    QByteArray text;
    EXPECT_TRUE(waitUntil([&] {
        return run("wl-paste", {"--no-newline"}, &text) == 0 && text == "taken";
    })) << "the clipboard was not taken";
    EXPECT_TRUE(waitUntil([&] { return running().isEmpty(); }, endsMs))
        << "the keeper stayed after losing the clipboard";
}

TEST_P(CaptureWaylandE2E, EscTwiceQuits)
{
    startCapture();
    waitForFirstFrame();
    ASSERT_FALSE(HasFailure());
    ASSERT_EQ(run("wtype", {"-s", "100", "-k", "Escape", "-s", "100", "-k", "Escape"}), 0);
    EXPECT_EQ(exitCodeOfCapture(), 1);
    EXPECT_TRUE(waitUntil([&] { return running().isEmpty(); }, endsMs));
}

// Without a session bus there is no portal: a message says so, and once it
// is closed the program ends with status 3, having shown no capture window.
TEST_P(CaptureWaylandE2E, NoPortalShowsAMessageThenStatusThree)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + m_dir.filePath("no-bus"));
    startCapture(env);
    expectMessageThenStatusThree("无法连接到桌面的会话总线");
}

// A portal whose backend never answers: the request is given up after a few
// seconds, with the same message and status.
TEST_P(CaptureWaylandE2E, SilentPortalShowsAMessageThenStatusThree)
{
    if (std::string(GetParam()) != "wayland")
        GTEST_SKIP() << "the portal's exchange is the same on every platform";
    m_stoppedBackend = testsupport::processesOf("/usr/libexec/xdg-desktop-portal-wlr");
    ASSERT_FALSE(m_stoppedBackend.isEmpty());
    for (const QByteArray &pid : m_stoppedBackend)
        ASSERT_EQ(kill(pid.toInt(), SIGSTOP), 0);
    startCapture();
    expectMessageThenStatusThree("没有应答");
}

INSTANTIATE_TEST_SUITE_P(Platforms, CaptureWaylandE2E, ::testing::Values("wayland", "xcb"),
    [](const ::testing::TestParamInfo<const char *> &platform) {
        return std::string(platform.param);
    });

} // namespace
