// The real vexacaptScreen on a headless GNOME Shell desktop (see with-gnome.sh),
// natively on Qt's wayland platform and under XWayland: its first use, which
// the desktop's permission dialog is part of, a refusal, and captures once
// screenshots are allowed. Driven and watched through the shell's test hooks;
// checked from the shell's screenshots and from what the program leaves: exit
// status, messages, doduvora.jpg, the clipboard and the user's folders.
#include "CaptureChecks.h"
#include "GnomeShellHooks.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <string>

namespace {

using testsupport::differenceBox;
using testsupport::MovedSelection;
using testsupport::printedPicture;
using testsupport::run;
using testsupport::ShellWindow;
using testsupport::waitMs;
using testsupport::waitUntil;

constexpr QSize screenSize(1920, 1080);
constexpr uint escape = 0xff1b;
constexpr uint tab = 0xff09;
constexpr uint space = 0x20;
// The program ends within this once it is done (a sanitizer build checks for
// leaks as it exits, which takes a while under load).
constexpr int endsMs = 5000;
// A message names the refusal within this of the program's start.
constexpr int refusalShownMs = 8000;

// The screenshot permission in the desktop's permission store, as the portal keeps it.
QDBusMessage storeCall(const QString &method, const QVariantList &arguments)
{
    QDBusMessage call
        = QDBusMessage::createMethodCall("org.freedesktop.impl.portal.PermissionStore",
            "/org/freedesktop/impl/portal/PermissionStore",
            "org.freedesktop.impl.portal.PermissionStore", method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call);
}

void forgetPermission()
{
    storeCall("DeletePermission", {"screenshot", "screenshot", ""});
}

void grantPermission()
{
    storeCall("SetPermission", {"screenshot", true, "screenshot", "", QStringList {"yes"}});
}

QString storedPermission()
{
    const QDBusMessage reply = storeCall("Lookup", {"screenshot", "screenshot"});
    if (reply.type() != QDBusMessage::ReplyMessage)
        return {};
    QMap<QString, QStringList> permissions;
    reply.arguments().first().value<QDBusArgument>() >> permissions;
    return permissions.value("").value(0);
}

// Every picture file in the user's folders, one a line.
std::string picturesAtHome()
{
    QStringList found;
    QDirIterator files(QDir::homePath(), {"*.png", "*.jpg"}, QDir::Files | QDir::Hidden,
        QDirIterator::Subdirectories);
    while (files.hasNext())
        found << files.next();
    return found.join('\n').toStdString();
}

class CaptureGnomeE2E : public ::testing::Test
{
protected:
    // The screen shows testsupport::screenPattern as the desktop's
    // background, without the top bar.
    static void SetUpTestSuite()
    {
        s_pattern = testsupport::screenPattern(screenSize.width(), screenSize.height());
        const QString file = QDir(qEnvironmentVariable("XDG_RUNTIME_DIR")).filePath("pattern.png");
        s_pattern.save(file);
        run("gsettings", {"set", "org.gnome.desktop.background", "picture-options", "centered"});
        run("gsettings", {"set", "org.gnome.desktop.background", "picture-uri", "file://" + file});
    }

    void SetUp() override
    {
        ASSERT_TRUE(testsupport::GnomeShellHooks::available()) << "run under with-gnome.sh";
        m_shell.showTopBar(false);
        ASSERT_TRUE(waitUntil([&] { return m_shell.screenshot() == s_pattern; }))
            << "the screen does not show the pattern";
        ASSERT_TRUE(QDir().mkdir(m_folder));
        ASSERT_TRUE(QFile::copy(VEXACAPTSCREEN_PATH, m_program));
        // Under XWayland the hint box starts where the pointer is.
        m_shell.movePointer({360, 280});
        m_picturesBefore = picturesAtHome();
    }

    void TearDown() override
    {
        for (const QByteArray &pid : running())
            kill(pid.toInt(), SIGKILL);
        EXPECT_TRUE(waitUntil([&] { return running().isEmpty(); }));
        if (m_shell.accessDialog().contains("Deny"))
            m_shell.answerAccessDialog("Deny");
    }

    QList<QByteArray> running() const { return testsupport::processesOf(m_program); }

    void startCapture(const char *platform)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", platform);
        m_capture.setProcessEnvironment(env);
        m_capture.start(m_program, {});
        ASSERT_TRUE(m_capture.waitForStarted(waitMs));
    }

    int exitCodeOfCapture(int withinMs = waitMs)
    {
        const bool ended
            = m_capture.state() == QProcess::NotRunning || m_capture.waitForFinished(withinMs);
        return ended && m_capture.exitStatus() == QProcess::NormalExit ? m_capture.exitCode() : -1;
    }

    // The shell's permission dialog shows; the user reads it for `readMs`,
    // then clicks `label`.
    void answerDesktop(const QString &label, int readMs)
    {
        ASSERT_TRUE(waitUntil([&] { return !m_shell.accessDialog().isEmpty(); }))
            << "the desktop did not ask";
        QThread::msleep(static_cast<unsigned long>(readMs));
        ASSERT_TRUE(m_shell.answerAccessDialog(label));
    }

    // The program's window titled vexacaptScreen, once its first frame shows.
    ShellWindow shownWindow(int withinMs = waitMs)
    {
        ShellWindow shown;
        EXPECT_TRUE(waitUntil(
            [&] {
                for (const ShellWindow &window : m_shell.windows())
                    if (window.title == "vexacaptScreen")
                        shown = window;
                return !shown.frame.isEmpty();
            },
            withinMs))
            << "no window showed";
        return shown;
    }

    // The capture window's first frame is the frozen picture: the pattern, no
    // dialog of the desktop; once the pointer moves, the hint box on it.
    void waitForFrozenPicture()
    {
        ASSERT_EQ(shownWindow().frame, QRect(QPoint(0, 0), screenSize));
        const auto onlyHintBox = [](const QRect &box) {
            return box.width() <= 200 && box.height() <= 100;
        };
        EXPECT_TRUE(onlyHintBox(differenceBox(m_shell.screenshot(), s_pattern)))
            << "the first frame is not the frozen screen";
        QRect box;
        m_shell.movePointer({370, 290});
        EXPECT_TRUE(waitUntil([&] {
            box = differenceBox(m_shell.screenshot(), s_pattern);
            return box.width() >= 137;
        })) << "no hint box";
        EXPECT_TRUE(onlyHintBox(box)) << box.width() << "x" << box.height() << " differed";
    }

    // The message looks like a dialog of the desktop: in the middle of the
    // screen, and its title bar moves it.
    void expectDesktopDialog()
    {
        // Its size settles once it shows.
        ShellWindow message = shownWindow(refusalShownMs);
        waitUntil(
            [&] {
                const ShellWindow before = message;
                QThread::msleep(200);
                message = shownWindow();
                return message.frame == before.frame;
            },
            3000);
        const QPoint offCentre = message.frame.center() - QRect(QPoint(0, 0), screenSize).center();
        EXPECT_TRUE(std::abs(offCentre.x()) <= 40 && std::abs(offCentre.y()) <= 100)
            << "placed at " << message.frame.x() << "," << message.frame.y() << " "
            << message.frame.width() << "x" << message.frame.height();
        const QPoint titleBar(message.frame.center().x(), message.frame.top() + 10);
        m_shell.movePointer(titleBar);
        m_shell.button(1, true);
        for (int step = 1; step <= 4; ++step) {
            QThread::msleep(30);
            m_shell.movePointer(titleBar + QPoint(20, 15) * step);
        }
        m_shell.button(1, false);
        EXPECT_TRUE(waitUntil(
            [&] {
                return shownWindow().frame.topLeft() == message.frame.topLeft() + QPoint(80, 60);
            },
            3000))
            << "no title bar moved the message";
    }

    // The message names the refusal and the way back.
    void expectRefusalSaid()
    {
        const QString said = QString::fromUtf8(m_capture.readAllStandardError());
        EXPECT_TRUE(said.contains("桌面拒绝本程序截屏") && said.contains("重新询问")
            && said.contains("DeletePermission"))
            << qPrintable(said);
    }

    void quitWithEscTwice()
    {
        m_shell.key(escape);
        QThread::msleep(100);
        m_shell.key(escape);
        EXPECT_EQ(exitCodeOfCapture(), 1);
        EXPECT_TRUE(waitUntil([&] { return running().isEmpty(); }, endsMs));
    }

    void expectNoPictureLeft()
    {
        EXPECT_EQ(picturesAtHome(), m_picturesBefore) << "a picture was left in the user's folders";
    }

    static inline QImage s_pattern;
    testsupport::GnomeShellHooks m_shell;
    QTemporaryDir m_dir;
    const QString m_folder = m_dir.filePath("program");
    const QString m_program = m_folder + "/vexacaptScreen";
    QProcess m_capture;
    std::string m_picturesBefore;
};

// The user reads the desktop's question for a while, then allows: the same
// run goes on to the frozen screen, which does not show the question.
TEST_F(CaptureGnomeE2E, FirstUseWaitsForTheUsersAnswer)
{
    for (const auto &[platform, readMs] : {std::pair("wayland", 3000), std::pair("xcb", 12000)}) {
        SCOPED_TRACE(platform);
        forgetPermission();
        startCapture(platform);
        answerDesktop("Allow", readMs);
        waitForFrozenPicture();
        quitWithEscTwice();
        expectNoPictureLeft();
        EXPECT_EQ(storedPermission(), "yes");
    }
}

// A Deny, then a later run with the refusal stored: each names the refusal and
// the way back, and ends; on the user's click the desktop asks again.
TEST_F(CaptureGnomeE2E, RefusalIsNamedAndCanBeAskedAgain)
{
    forgetPermission();
    startCapture("wayland");
    answerDesktop("Deny", 500);
    expectDesktopDialog();
    m_shell.key(escape);
    EXPECT_EQ(exitCodeOfCapture(endsMs), 1);
    expectRefusalSaid();
    EXPECT_EQ(storedPermission(), "no");

    for (const char *platform : {"wayland", "xcb"}) {
        SCOPED_TRACE(platform);
        QElapsedTimer started;
        started.start();
        startCapture(platform);
        expectDesktopDialog();
        m_shell.key(escape);
        EXPECT_EQ(exitCodeOfCapture(endsMs), 1);
        EXPECT_LT(started.elapsed(), refusalShownMs + waitMs);
        expectRefusalSaid();
    }

    // Tab from the default button (close) to the one that asks again; the
    // user reads the question longer than a desktop that asks nothing takes.
    startCapture("wayland");
    shownWindow(refusalShownMs);
    m_shell.key(tab);
    m_shell.key(space);
    answerDesktop("Allow", 6000);
    waitForFrozenPicture();
    quitWithEscTwice();
    EXPECT_EQ(storedPermission(), "yes");
    expectNoPictureLeft();
}

class CaptureGnomeGrantedE2E : public CaptureGnomeE2E,
                               public ::testing::WithParamInterface<const char *>
{
};

// Screenshots allowed: the frozen screen exact, a double click writes the
// region and the clipboard keeps it after the program's end until taken.
TEST_P(CaptureGnomeGrantedE2E, DoubleClickWritesTheRegionAndKeepsTheClipboard)
{
    grantPermission();
    startCapture(GetParam());
    waitForFrozenPicture();
    ASSERT_FALSE(HasFailure());

    for (const testsupport::PointerStep &step : MovedSelection::steps()) {
        if (step.kind == step.Move)
            m_shell.movePointer(step.at);
        else
            m_shell.button(1, step.kind == step.Press);
        QThread::msleep(20);
    }
    ASSERT_TRUE(waitUntil([&] { return MovedSelection::shown(m_shell.screenshot(), s_pattern); }))
        << "the selection never showed where it was moved";
    m_shell.click(MovedSelection::inside);
    m_shell.click(MovedSelection::inside);
    EXPECT_EQ(exitCodeOfCapture(), 0);

    const QRect captured = MovedSelection::captured;
    const QImage written(m_folder + "/doduvora.jpg", "JPEG");
    ASSERT_EQ(written.size(), captured.size());
    const auto [toRegion, toShifted] = testsupport::matchRegion(s_pattern, captured, written);
    EXPECT_GE(toRegion, 30.0);
    EXPECT_GE(toRegion - toShifted, 10.0);

    EXPECT_TRUE(waitUntil([&] { return m_shell.screenshot() == s_pattern; }))
        << "the window stayed";
    const bool wayland = std::string(GetParam()) == "wayland";
    const QImage pasted = wayland
        ? printedPicture("wl-paste", {"-t", "image/png"})
        : printedPicture("xclip", {"-selection", "clipboard", "-t", "image/png", "-o"});
    EXPECT_EQ(pasted, s_pattern.copy(captured));
    EXPECT_EQ(running().size(), 1);
    expectNoPictureLeft();

    QProcess taker;
    taker.start("wl-copy", {"--foreground", "taken"});
    EXPECT_TRUE(waitUntil([&] { return running().isEmpty(); }, endsMs))
        << "the keeper stayed after losing the clipboard";
    taker.kill();
    taker.waitForFinished();
}

INSTANTIATE_TEST_SUITE_P(Platforms, CaptureGnomeGrantedE2E, ::testing::Values("wayland", "xcb"),
    [](const ::testing::TestParamInfo<const char *> &platform) {
        return std::string(platform.param);
    });

} // namespace

int main(int argc, char **argv)
{
    // The session bus's calls run on Qt's own thread, which wants an application.
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
