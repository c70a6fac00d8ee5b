// The real vexacaptScreen under its own Xvfb server (see with-xvfb.sh) on a
// known pattern, driven with xdotool, checked from screenshots and from what it
// leaves: exit status, doduvora.jpg, the clipboard and the process keeping it.
#include "CaptureChecks.h"
#include "Files.h"
#include "Mount.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <iostream>
#include <memory>
#include <vector>

namespace {

using testsupport::printedPicture;
using testsupport::run;
using testsupport::waitMs;
using testsupport::waitUntil;

// The program ends, and a keeper of a clipboard taken from it, within this time: far from
// waiting for the clipboard, with room for a sanitizer build's exit checks on a loaded machine.
constexpr int promptlyMs = 3000;

// Pixels that differ from the pattern outside the excluded rectangles.
int differencesOutside(
    const QImage &shot, const QImage &pattern, const std::vector<QRect> &excluded)
{
    int count = 0;
    for (int y = 0; y < pattern.height(); ++y) {
        for (int x = 0; x < pattern.width(); ++x) {
            bool skip = false;
            for (const QRect &r : excluded)
                skip = skip || r.contains(x, y);
            count += !skip && shot.pixel(x, y) != pattern.pixel(x, y) ? 1 : 0;
        }
    }
    return count;
}

// The one-pixel ring along the edge of a rectangle.
std::vector<QRect> borderOf(const QRect &r)
{
    return {QRect(r.left(), r.top(), r.width(), 1), QRect(r.left(), r.bottom(), r.width(), 1),
        QRect(r.left(), r.top(), 1, r.height()), QRect(r.right(), r.top(), 1, r.height())};
}

QImage screenshot()
{
    return printedPicture("import", {"-window", "root", "png:-"});
}

QImage pasted(const QString &type)
{
    return printedPicture("xclip", {"-selection", "clipboard", "-t", type, "-o"});
}

// One that two takes in a row agree on: an update made of several rectangles
// is never seen half done.
QImage settledScreenshot()
{
    QImage previous = screenshot();
    for (int take = 0; take < 20; ++take) {
        QImage next = screenshot();
        if (!next.isNull() && next == previous)
            return next;
        previous = next;
    }
    return {};
}

// The hint box with its top-left corner at `corner`: the run of its background
// colour along its empty first line and its margin.
QRect hintBoxAt(const QImage &shot, QPoint corner)
{
    const QRgb background = shot.pixel(corner);
    QPoint end = corner;
    while (end.x() + 1 < shot.width() && shot.pixel(end.x() + 1, corner.y()) == background)
        end.rx()++;
    while (end.y() + 1 < shot.height() && shot.pixel(corner.x(), end.y() + 1) == background)
        end.ry()++;
    return QRect(corner, end);
}

class CaptureE2E : public ::testing::Test
{
protected:
    // The screen shows testsupport::screenPattern. The program runs from a
    // folder of its own, where doduvora.jpg lands.
    void SetUp() override
    {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "run under with-xvfb.sh";
        QByteArray geometry;
        ASSERT_EQ(run("xdotool", {"getdisplaygeometry"}, &geometry), 0);
        const QList<QByteArray> size = geometry.trimmed().split(' ');
        ASSERT_EQ(size.size(), 2);
        m_pattern = testsupport::screenPattern(size[0].toInt(), size[1].toInt());
        ASSERT_TRUE(m_pattern.save(m_dir.filePath("pattern.png")));
        // display ends with status 1 even when it has set the background.
        ASSERT_NE(run("display", {"-window", "root", m_dir.filePath("pattern.png")}), -1);
        ASSERT_EQ(differencesOutside(screenshot(), m_pattern, {}), 0)
            << "the root window does not show the pattern";
        ASSERT_TRUE(QDir().mkdir(m_folder));
        ASSERT_TRUE(QFile::copy(VEXACAPTSCREEN_PATH, m_program));
    }

    // What runs from the program folder must end before it can be unmounted.
    void TearDown() override
    {
        m_helper.kill();
        for (const QByteArray &pid : running())
            kill(pid.toInt(), SIGKILL);
        EXPECT_TRUE(waitUntil([&] { return running().isEmpty(); }));
        m_readOnly.reset();
        qunsetenv("QT_SCALE_FACTOR");
    }

    // Live processes of our copy of the program: the one started, the session
    // it runs in a child, and after a capture the keeper of the clipboard.
    QList<QByteArray> running() const { return testsupport::processesOf(m_program); }

    void startCapture()
    {
        m_capture.setProcessChannelMode(QProcess::ForwardedChannels);
        m_capture.start(m_program, {});
        ASSERT_TRUE(m_capture.waitForStarted(waitMs));
    }

    // Waits for the first frame: the frozen picture with the hint box at its
    // starting place. No screenshot on the way may show anything but the
    // pattern outside the hint box: no empty or half-drawn window.
    QRect waitForFirstFrame(QPoint hintStart = QPoint(360, 280))
    {
        QRect hint;
        int unexpected = 0;
        EXPECT_TRUE(waitUntil([&] {
            const QImage shot = screenshot();
            if (shot.isNull())
                return false;
            const bool shown = shot.pixel(hintStart) != m_pattern.pixel(hintStart);
            hint = shown ? hintBoxAt(shot, hintStart) : QRect();
            unexpected += differencesOutside(shot, m_pattern, {hint});
            return shown;
        })) << "the hint box never showed";
        EXPECT_EQ(unexpected, 0);
        return hint;
    }

    void xdotool(const QStringList &arguments) { ASSERT_EQ(run("xdotool", arguments), 0); }

    int exitCodeOfCapture()
    {
        if (!m_capture.waitForFinished(waitMs) || m_capture.exitStatus() != QProcess::NormalExit)
            return -1;
        return m_capture.exitCode();
    }

    static constexpr QRect captured = testsupport::MovedSelection::captured;

    // Draws, moves and double-clicks the selection. Returns the ms from the
    // double click (xdotool's run included) to the program's end, or -1.
    qint64 captureSelection()
    {
        startCapture();
        waitForFirstFrame();
        xdotool({"mousemove", "100", "120", "mousedown", "1", "mousemove", "200", "200",
            "mousemove", "300", "250", "mouseup", "1", "mousemove", "150", "150", "mousedown", "1",
            "mousemove", "170", "160", "mousemove", "181", "163", "mouseup", "1"});
        EXPECT_TRUE(waitUntil([&] {
            return testsupport::MovedSelection::shown(settledScreenshot(), m_pattern);
        })) << "the selection never showed where it was moved";
        if (HasFailure())
            return -1;

        QElapsedTimer sinceDoubleClick;
        sinceDoubleClick.start();
        xdotool({"mousemove", "230", "200", "click", "1", "sleep", "0.08", "click", "1"});
        return m_capture.waitForFinished(waitMs) ? sinceDoubleClick.elapsed() : -1;
    }

    QTemporaryDir m_dir;
    QImage m_pattern;
    const QString m_folder = m_dir.filePath("program");
    const QString m_program = m_folder + "/vexacaptScreen";
    QProcess m_capture; // killed, when still running, as the test ends
    QProcess m_helper; // a clipboard taker or manager
    std::unique_ptr<testsupport::Mount> m_readOnly;
};

TEST_F(CaptureE2E, SelectionOverTheFrozenPictureThenEscTwiceQuits)
{
    startCapture();
    const QRect firstHint = waitForFirstFrame();
    ASSERT_FALSE(HasFailure());
    // No line of the hint is cut off.
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
        return !shot.isNull() && shot.pixel(hintCorner) != m_pattern.pixel(hintCorner)
            && shot.pixel(selection.bottomRight()) != m_pattern.pixel(selection.bottomRight());
    })) << "the selection or the moved hint box never showed";

    // The pattern stays exact but for a black border on the selection's edge,
    // the size label and the hint box.
    const QRect hint = hintBoxAt(shot, hintCorner);
    EXPECT_EQ(hint.size(), firstHint.size());
    std::vector<QRect> excluded = borderOf(selection);
    excluded.insert(excluded.end(), {label, hint});
    EXPECT_EQ(differencesOutside(shot, m_pattern, excluded), 0);
    for (const QRect &side : borderOf(selection)) {
        QImage black = shot.copy(side);
        black.fill(Qt::black);
        EXPECT_EQ(shot.copy(side), black);
    }
    EXPECT_NE(shot.copy(label), m_pattern.copy(label));

    // First Esc: the selection and its label go, the window stays.
    xdotool({"key", "Escape"});
    ASSERT_TRUE(waitUntil([&] {
        shot = settledScreenshot();
        return !shot.isNull()
            && shot.pixel(selection.bottomRight()) == m_pattern.pixel(selection.bottomRight());
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
    EXPECT_TRUE(waitUntil([&] { return running().isEmpty(); }, promptlyMs));
}

// On a scaled screen every screen pixel of the frozen picture stays where it
// was; only the hint box shows, at its place in logical pixels.
TEST_F(CaptureE2E, FrozenPictureStaysExactAtRatioOneAndAHalf)
{
    qputenv("QT_SCALE_FACTOR", "1.5");
    startCapture();
    const QRect hint = waitForFirstFrame(QPoint(540, 420));
    ASSERT_FALSE(HasFailure());
    EXPECT_GE(hint.width(), 137 * 3 / 2);
    xdotool({"key", "Escape"});
    EXPECT_EQ(exitCodeOfCapture(), 1);
}

TEST_F(CaptureE2E, DoubleClickWritesTheFileAndLeavesTheClipboardToPaste)
{
    const qint64 latency = captureSelection();
    ASSERT_GE(latency, 0) << "the program did not end";
    EXPECT_EQ(m_capture.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(m_capture.exitCode(), 0);
    EXPECT_LE(latency, promptlyMs);
    std::cout << "double click to program end: " << latency << " ms\n";

    // The file beside the program: the selection's size, close to the region,
    // clearly farther from the region shifted by one pixel.
    const QImage written(m_folder + "/doduvora.jpg", "JPEG");
    ASSERT_EQ(written.size(), captured.size());
    const auto [toRegion, toShifted] = testsupport::matchRegion(m_pattern, captured, written);
    EXPECT_GE(toRegion, 30.0);
    EXPECT_GE(toRegion - toShifted, 10.0);
    std::cout << "PSNR against the region " << toRegion << " dB, against it shifted by one pixel "
              << toShifted << " dB\n";

    // The clipboard outlives the program, exactly the region in every image
    // type, kept by a process in a session of its own with no terminal.
    for (const char *type : {"image/png", "image/bmp"})
        EXPECT_EQ(pasted(type), m_pattern.copy(captured)) << type;
    const QList<QByteArray> keeper = running();
    ASSERT_EQ(keeper.size(), 1);
    QFile stat("/proc/" + keeper[0] + "/stat");
    ASSERT_TRUE(stat.open(QIODevice::ReadOnly));
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    EXPECT_EQ(fields.value(3), keeper[0]) << "its session";
    EXPECT_EQ(fields.value(4), "0") << "its terminal";
    for (const char *fd : {"0", "1", "2"})
        EXPECT_EQ(QFile::symLinkTarget("/proc/" + keeper[0] + "/fd/" + fd), "/dev/null") << fd;

    // Another program takes the clipboard: the keeper ends.
    m_helper.start("xclip", {"-selection", "clipboard", "-i", "-quiet"});
    m_helper.write("taken");
    EXPECT_TRUE(m_helper.waitForBytesWritten(waitMs));
    m_helper.closeWriteChannel();
    EXPECT_TRUE(waitUntil([&] { return running().isEmpty(); }, promptlyMs))
        << "the keeper stayed after losing the clipboard";
    QByteArray text;
    EXPECT_EQ(run("xclip", {"-selection", "clipboard", "-o"}, &text), 0);
    EXPECT_EQ(text, "taken");
}

TEST_F(CaptureE2E, ReadOnlyProgramFolderEndsWithStatusTwoKeepingClipboardAndFile)
{
    testsupport::writeAll(m_folder + "/doduvora.jpg", "an earlier capture");
    m_readOnly = std::make_unique<testsupport::Mount>(m_folder);
    ASSERT_TRUE(m_readOnly->ok()) << m_readOnly->error();

    ASSERT_GE(captureSelection(), 0) << "the program did not end";
    EXPECT_EQ(m_capture.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(m_capture.exitCode(), 2);
    EXPECT_EQ(pasted("image/png"), m_pattern.copy(captured));
    EXPECT_EQ(testsupport::readAll(m_folder + "/doduvora.jpg"), "an earlier capture");
    EXPECT_EQ(testsupport::entriesOf(m_folder), QStringList({"doduvora.jpg", "vexacaptScreen"}));
}

// Where a clipboard manager runs, the session hands it the picture and ends.
TEST_F(CaptureE2E, ClipboardManagerReceivesThePicture)
{
    m_helper.start(FAKE_CLIPBOARD_MANAGER, {m_dir.filePath("managed.png")});
    ASSERT_TRUE(m_helper.waitForReadyRead(waitMs));
    ASSERT_EQ(m_helper.readAll(), "ready\n");

    ASSERT_GE(captureSelection(), 0) << "the program did not end";
    EXPECT_EQ(m_capture.exitCode(), 0);
    EXPECT_TRUE(waitUntil([&] { return running().isEmpty(); }))
        << "the session stayed although a manager runs";
    const QImage managed(m_dir.filePath("managed.png"));
    EXPECT_EQ(managed.convertToFormat(QImage::Format_RGB32), m_pattern.copy(captured));
}

// The caller learns of a session that dies before it reports.
TEST_F(CaptureE2E, SessionKilledBeforeItReportsEndsTheCallerWithItsSignal)
{
    startCapture();
    waitForFirstFrame();
    const QList<QByteArray> processes = running();
    ASSERT_EQ(processes.size(), 2);
    for (const QByteArray &pid : processes)
        if (pid.toLongLong() != m_capture.processId())
            kill(pid.toInt(), SIGKILL);
    EXPECT_EQ(exitCodeOfCapture(), 128 + SIGKILL);
}

// On an 8-bit screen Qt's grab gives a null picture: a message says the
// screen could not be captured, and once it is closed the program ends with
// status 3. Runs on its own Xvfb of depth 8 (see tests/capture/CMakeLists.txt).
TEST(CaptureE2ENullGrab, MessageThenStatusThree)
{
    QTemporaryDir dir;
    const QString program = dir.filePath("vexacaptScreen");
    ASSERT_TRUE(QFile::copy(VEXACAPTSCREEN_PATH, program));
    QProcess capture;
    capture.start(program, {});
    ASSERT_TRUE(capture.waitForStarted(waitMs));
    EXPECT_EQ(run("xdotool", {"search", "--sync", "--name", "^vexacaptScreen$"}), 0);
    EXPECT_TRUE(waitUntil([&] {
        return run("xdotool", {"key", "Escape"}) == 0 && capture.waitForFinished(300);
    })) << "the message did not close";
    EXPECT_EQ(capture.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(capture.exitCode(), 3);
    EXPECT_TRUE(capture.readAllStandardError().contains("无法截取屏幕"));
    EXPECT_FALSE(QFile::exists(dir.filePath("doduvora.jpg")));
}

} // namespace
