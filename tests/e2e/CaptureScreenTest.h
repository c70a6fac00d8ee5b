#pragma once
// Shared ground for the end-to-end tests of vexacaptScreen: an Xvfb server
// (see with-xvfb.sh) whose root window shows a known pattern, the program
// under test started on it, xdotool to drive it, screenshots to check it.

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace e2e {

constexpr int waitMs = 15000;

// Runs a helper program to its end; returns its exit code, -1 when it failed
// to run or ran too long.
inline int run(const QString &program, const QStringList &arguments, QByteArray *output = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(waitMs) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    if (output)
        *output = process.readAllStandardOutput();
    return process.exitCode();
}

// Polls until the condition holds or the time is up.
inline bool waitUntil(const std::function<bool()> &condition, int timeoutMs = waitMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (condition())
            return true;
        QThread::msleep(10);
    }
    return condition();
}

inline bool samePixel(const QImage &a, const QImage &b, QPoint p)
{
    return (a.pixel(p) & 0xffffff) == (b.pixel(p) & 0xffffff);
}

// Pixels that differ from the pattern outside the excluded rectangles.
inline int differencesOutside(
    const QImage &shot, const QImage &pattern, const std::vector<QRect> &excluded)
{
    int count = 0;
    for (int y = 0; y < pattern.height(); ++y) {
        for (int x = 0; x < pattern.width(); ++x) {
            bool skip = false;
            for (const QRect &r : excluded)
                skip = skip || r.contains(x, y);
            if (!skip && !samePixel(shot, pattern, QPoint(x, y)))
                ++count;
        }
    }
    return count;
}

// The one-pixel ring along the edge of a rectangle.
inline std::vector<QRect> borderOf(const QRect &r)
{
    return {QRect(r.left(), r.top(), r.width(), 1), QRect(r.left(), r.bottom(), r.width(), 1),
        QRect(r.left(), r.top(), 1, r.height()), QRect(r.right(), r.top(), 1, r.height())};
}

// A picture in which every pixel differs from its neighbours, so any shift,
// scaling or colour change of the frozen picture shows.
inline QImage noisePattern(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb((x * 7) & 0xff, (y * 13 + x) & 0xff, (x ^ (y * 3)) & 0xff));
    return image;
}

class CaptureScreenTest : public ::testing::Test
{
protected:
    // The picture the root window shows, the size of the screen.
    virtual QImage makePattern(QSize size) const { return noisePattern(size); }

    void SetUp() override
    {
        ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "run under with-xvfb.sh";
        ASSERT_TRUE(m_dir.isValid());
        QByteArray geometry;
        ASSERT_EQ(run("xdotool", {"getdisplaygeometry"}, &geometry), 0);
        const QList<QByteArray> parts = geometry.trimmed().split(' ');
        ASSERT_EQ(parts.size(), 2);
        m_pattern = makePattern(QSize(parts[0].toInt(), parts[1].toInt()));

        const QString patternFile = m_dir.filePath("pattern.png");
        ASSERT_TRUE(m_pattern.save(patternFile));
        // display ends with status 1 even when it has set the background: the
        // screenshot below is the check.
        ASSERT_NE(run("display", {"-window", "root", patternFile}), -1);
        ASSERT_EQ(differencesOutside(screenshot(), m_pattern, {}), 0)
            << "the root window does not show the pattern";
    }

    void TearDown() override
    {
        if (m_capture.state() != QProcess::NotRunning) {
            m_capture.kill();
            m_capture.waitForFinished();
        }
    }

    QImage screenshot()
    {
        const QString file = m_dir.filePath("shot.png");
        QFile::remove(file);
        if (run("import", {"-window", "root", file}) != 0)
            return {};
        return QImage(file).convertToFormat(QImage::Format_RGB32);
    }

    // A screenshot that two takes in a row agree on: an update made of
    // several rectangles is never seen half done.
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

    // program: the vexacaptScreen to start, the built one when empty.
    void startCapture(const QString &scaleFactor = QString(), const QString &program = QString())
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (!scaleFactor.isEmpty())
            environment.insert("QT_SCALE_FACTOR", scaleFactor);
        m_capture.setProcessEnvironment(environment);
        m_capture.setProgram(program.isEmpty() ? QStringLiteral(VEXACAPTSCREEN_PATH) : program);
        m_capture.setProcessChannelMode(QProcess::ForwardedChannels);
        m_capture.start();
        ASSERT_TRUE(m_capture.waitForStarted(waitMs));
    }

    // The hint box's rectangle with its top-left corner at `corner`: the run
    // of its background colour along its empty first line and its margin.
    static QRect hintBoxAt(const QImage &shot, QPoint corner)
    {
        const QRgb background = shot.pixel(corner);
        int right = corner.x();
        while (right + 1 < shot.width() && shot.pixel(right + 1, corner.y()) == background)
            ++right;
        int bottom = corner.y();
        while (bottom + 1 < shot.height() && shot.pixel(corner.x(), bottom + 1) == background)
            ++bottom;
        return QRect(corner, QPoint(right, bottom));
    }

    // Waits for the window's first frame: the frozen picture with the hint box
    // at its starting place. Every screenshot on the way must show the pattern
    // unchanged outside the hint box: no empty or half-drawn window shows.
    QRect waitForFirstFrame(QPoint hintStart = QPoint(360, 280))
    {
        QRect hint;
        int unexpected = 0;
        const bool shown = waitUntil([&] {
            const QImage shot = screenshot();
            if (shot.isNull())
                return false;
            if (samePixel(shot, m_pattern, hintStart)) {
                unexpected += differencesOutside(shot, m_pattern, {});
                return false;
            }
            hint = hintBoxAt(shot, hintStart);
            unexpected += differencesOutside(shot, m_pattern, {hint});
            return true;
        });
        EXPECT_TRUE(shown) << "the hint box never showed";
        EXPECT_EQ(unexpected, 0);
        return hint;
    }

    void xdotool(const QStringList &arguments) { ASSERT_EQ(run("xdotool", arguments), 0); }

    int exitCodeOfCapture(int timeoutMs = waitMs)
    {
        if (!m_capture.waitForFinished(timeoutMs) || m_capture.exitStatus() != QProcess::NormalExit)
            return -1;
        return m_capture.exitCode();
    }

    QTemporaryDir m_dir;
    QImage m_pattern;
    QProcess m_capture;
};

} // namespace e2e
