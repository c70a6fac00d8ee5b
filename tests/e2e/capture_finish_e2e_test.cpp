// End-to-end: a capture finished by a double click, with the real
// vexacaptScreen copied into a program folder of its own so doduvora.jpg lands
// there, on an Xvfb server whose root window shows a fine grid.
#include "CaptureScreenTest.h"
#include "Psnr.h"
#include "ScopedMount.h"

#include <QElapsedTimer>
#include <QFileInfo>

#include <csignal>
#include <iostream>
#include <memory>
#include <sys/types.h>

namespace {

using namespace e2e;

// The program ends, and a keeper lets go of a clipboard taken from it, within
// this time (ASan builds too: they need about a third of it here).
constexpr int promptlyMs = 1000;

// A smooth colour gradient crossed by a fine grid (every 4th column, every
// 3rd row) that only darkens: JPEG keeps it well at quality 80, while a
// shift by one pixel moves every grid line.
QImage gridPattern(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const int r = 96 + x * 159 / (size.width() - 1);
            const int g = 96 + y * 159 / (size.height() - 1);
            const int b = 96 + (x + y) * 159 / (size.width() + size.height() - 2);
            const int dark = x % 4 == 0 || y % 3 == 0 ? 80 : 0;
            image.setPixel(x, y, qRgb(r - dark, g - dark, b - dark));
        }
    }
    return image;
}

class CaptureFinishE2E : public CaptureScreenTest
{
protected:
    // Drawn from (100, 120) to (300, 250), then moved by (31, 13).
    static constexpr QRect captured {131, 133, 200, 130};

    QImage makePattern(QSize size) const override { return gridPattern(size); }

    void SetUp() override
    {
        CaptureScreenTest::SetUp();
        if (HasFatalFailure())
            return;
        m_folder = m_dir.filePath("program");
        ASSERT_TRUE(QDir().mkdir(m_folder));
        m_program = m_folder + "/vexacaptScreen";
        ASSERT_TRUE(QFile::copy(VEXACAPTSCREEN_PATH, m_program));
    }

    void TearDown() override
    {
        if (m_clipboardTaker.state() != QProcess::NotRunning) {
            m_clipboardTaker.kill();
            m_clipboardTaker.waitForFinished();
        }
        // A keeper runs from the program folder: it must have ended before
        // the folder can be unmounted.
        const std::vector<pid_t> left = keepers();
        for (pid_t keeper : left)
            kill(keeper, SIGKILL);
        for (pid_t keeper : left)
            EXPECT_TRUE(waitUntil([&] { return hasEnded(keeper); }));
        m_readOnly.reset();
        CaptureScreenTest::TearDown();
    }

    // Processes running our copy of the program: after the capture, the
    // keeper of its clipboard.
    std::vector<pid_t> keepers() const
    {
        const QString program = QFileInfo(m_program).canonicalFilePath();
        std::vector<pid_t> found;
        const QStringList pids = QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        for (const QString &pid : pids) {
            bool isPid = false;
            const int id = pid.toInt(&isPid);
            if (isPid && QFile::symLinkTarget("/proc/" + pid + "/exe") == program)
                found.push_back(id);
        }
        return found;
    }

    // No such process, or one that has ended and is not reaped yet: nothing
    // may reap an orphan here. (Its program link goes before it has let go
    // of its files, so that is no sign of its end.)
    static bool hasEnded(pid_t pid)
    {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            return true;
        const QByteArray line = stat.readAll();
        const qsizetype nameEnd = line.lastIndexOf(')');
        return nameEnd < 0 || line.mid(nameEnd + 2, 1) == "Z";
    }

    void makeFolderReadOnly()
    {
        m_readOnly = std::make_unique<ReadOnlyFolder>(m_folder);
        ASSERT_TRUE(m_readOnly->isReadOnly()) << "needs root to mount";
    }

    // Draws the selection, moves it, and double-clicks it once it shows where
    // it was moved. Returns the time from the double click to the started
    // program's end in ms, -1 when it did not end in time.
    qint64 captureSelection()
    {
        startCapture({}, m_program);
        waitForFirstFrame();
        if (HasFailure())
            return -1;
        xdotool({"mousemove", "100", "120", "mousedown", "1", "mousemove", "200", "200",
            "mousemove", "300", "250", "mouseup", "1", "mousemove", "150", "150", "mousedown", "1",
            "mousemove", "170", "160", "mousemove", "181", "163", "mouseup", "1"});
        const QRect drawn(100, 120, 200, 130);
        const bool moved = waitUntil([&] {
            const QImage shot = settledScreenshot();
            return !shot.isNull() && (shot.pixel(captured.bottomRight()) & 0xffffff) == 0
                && samePixel(shot, m_pattern, drawn.bottomLeft());
        });
        EXPECT_TRUE(moved) << "the selection never showed where it was moved";
        if (!moved)
            return -1;

        // Timed from the start of the double click, so the figure is an upper
        // bound: it includes the pause between the clicks and xdotool's own run.
        QElapsedTimer sinceDoubleClick;
        sinceDoubleClick.start();
        xdotool({"mousemove", "230", "200", "click", "1", "sleep", "0.08", "click", "1"});
        if (!m_capture.waitForFinished(waitMs))
            return -1;
        return sinceDoubleClick.elapsed();
    }

    QImage pastedPng()
    {
        QByteArray png;
        if (run("xclip", {"-selection", "clipboard", "-t", "image/png", "-o"}, &png) != 0)
            return {};
        return QImage::fromData(png, "PNG").convertToFormat(QImage::Format_RGB32);
    }

    // Another program takes the clipboard and holds it until the teardown.
    void takeClipboard()
    {
        const QString text = m_dir.filePath("taken.txt");
        QFile file(text);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("taken") == 5);
        file.close();
        m_clipboardTaker.setStandardInputFile(text);
        m_clipboardTaker.start("xclip", {"-selection", "clipboard", "-i", "-quiet"});
        ASSERT_TRUE(m_clipboardTaker.waitForStarted(waitMs));
    }

    QStringList folderEntries() const
    {
        return QDir(m_folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QString m_folder;
    QString m_program;
    QProcess m_clipboardTaker;
    std::unique_ptr<ReadOnlyFolder> m_readOnly;
};

TEST_F(CaptureFinishE2E, DoubleClickWritesTheFileAndLeavesTheClipboardToPaste)
{
    const qint64 latency = captureSelection();
    ASSERT_GE(latency, 0) << "the program did not end";
    EXPECT_EQ(m_capture.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(m_capture.exitCode(), 0);
    EXPECT_LE(latency, promptlyMs);
    std::cout << "double click to program end: " << latency << " ms\n";

    // The file beside the program: the selection's size, close to the
    // region, clearly farther from the region shifted by one pixel.
    const QImage written(m_folder + "/doduvora.jpg", "JPEG");
    ASSERT_EQ(written.size(), captured.size());
    const double toRegion = psnr(m_pattern.copy(captured), written);
    double toShifted = 0.0;
    for (QPoint shift : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)})
        toShifted = std::max(toShifted, psnr(m_pattern.copy(captured.translated(shift)), written));
    EXPECT_GE(toRegion, 30.0);
    EXPECT_GE(toRegion - toShifted, 10.0);
    std::cout << "PSNR against the region " << toRegion << " dB, against it shifted by one pixel "
              << toShifted << " dB\n";

    // The clipboard outlives the program, exactly the region, until another
    // program takes it; then its keeper ends.
    EXPECT_EQ(pastedPng(), m_pattern.copy(captured));
    const std::vector<pid_t> keeper = keepers();
    ASSERT_EQ(keeper.size(), 1u);
    takeClipboard();
    QElapsedTimer sinceTaken;
    sinceTaken.start();
    EXPECT_TRUE(waitUntil([&] { return hasEnded(keeper.front()); }, promptlyMs))
        << "the keeper stayed after losing the clipboard";
    std::cout << "clipboard taken to keeper gone: " << sinceTaken.elapsed() << " ms\n";
    QByteArray text;
    EXPECT_EQ(run("xclip", {"-selection", "clipboard", "-o"}, &text), 0);
    EXPECT_EQ(text, "taken");
}

TEST_F(CaptureFinishE2E, ReadOnlyProgramFolderEndsWithStatusTwoKeepingClipboardAndFile)
{
    const QByteArray earlier("an earlier capture");
    {
        QFile file(m_folder + "/doduvora.jpg");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(earlier), earlier.size());
    }
    makeFolderReadOnly();
    ASSERT_FALSE(HasFatalFailure());

    ASSERT_GE(captureSelection(), 0) << "the program did not end";
    EXPECT_EQ(m_capture.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(m_capture.exitCode(), 2);
    EXPECT_EQ(pastedPng(), m_pattern.copy(captured));
    QFile file(m_folder + "/doduvora.jpg");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), earlier);
    EXPECT_EQ(folderEntries(), QStringList({"doduvora.jpg", "vexacaptScreen"}));
}

} // namespace
