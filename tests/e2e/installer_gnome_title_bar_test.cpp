// Run inside a GNOME Shell Wayland session (the session's bus, WAYLAND_DISPLAY): the window of the
// installer of an unpacked bundle (VEXA_E2E_BUNDLE) has the title bar, buttons included, that the
// installer built here on the system's Qt (SYSTEM_QT_INSTALLER) has. Mutter draws no decorations
// for Wayland clients, so Qt draws its own, with the decoration plugin of the bundle. Each window
// is seen through the shell's screenshot of the focused window, frame included; the shell takes
// such requests from screenshot tools only, so this program takes the bus name of one.
#include "Psnr.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

bool waitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition() && !deadline.hasExpired())
        QThread::msleep(100);
    return condition();
}

// The focused window with its frame as the shell draws it; a null picture when no window has
// the focus (or the shell refuses).
QImage focusedWindow(const QString &file)
{
    QFile::remove(file);
    QDBusMessage call = QDBusMessage::createMethodCall("org.gnome.Shell.Screenshot",
        "/org/gnome/Shell/Screenshot", "org.gnome.Shell.Screenshot", "ScreenshotWindow");
    call << true << false << false << file; // frame, no pointer, no flash
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 15000);
    if (reply.type() != QDBusMessage::ReplyMessage || !reply.arguments().value(0).toBool())
        return {};
    return QImage(file);
}

// A session starts in the overview, where a new window does not take the focus.
void closeOverview()
{
    QDBusMessage set = QDBusMessage::createMethodCall(
        "org.gnome.Shell", "/org/gnome/Shell", "org.freedesktop.DBus.Properties", "Set");
    set << "org.gnome.Shell"
        << "OverviewActive" << QVariant::fromValue(QDBusVariant(false));
    QDBusConnection::sessionBus().call(set);
}

struct Shown
{
    QImage window; // with its frame
    QByteArray maps; // what the program had loaded
};

// Starts `program` on Wayland and shows its window once it has the focus and was drawn; then ends
// the program and waits until its window is gone.
Shown showWindowOf(const QString &program, const QTemporaryDir &scratch)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "wayland");
    env.insert("HOME", scratch.filePath("home")); // the same proposed folder for both
    env.insert("XDG_DATA_HOME", scratch.filePath("home/.local/share"));
    QProcess installer;
    installer.setProcessEnvironment(env);
    installer.start(program, QStringList());
    const QString file = scratch.filePath("window.png");
    Shown shown;
    if (waitUntil([&] { return !focusedWindow(file).isNull(); }, 20000)) {
        QThread::msleep(1000); // the first frame, decorations included
        shown.window = focusedWindow(file);
        QFile maps(QStringLiteral("/proc/%1/maps").arg(installer.processId()));
        if (maps.open(QIODevice::ReadOnly))
            shown.maps = maps.readAll();
    }
    installer.kill();
    installer.waitForFinished();
    waitUntil([&] { return focusedWindow(file).isNull(); }, 10000);
    return shown;
}

TEST(InstallerGnomeTitleBar, TheBundleInstallerHasTheTitleBarOfTheSystemQtOne)
{
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("VEXA_E2E_BUNDLE"));
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) << "not in a Wayland session";
    ASSERT_TRUE(QDBusConnection::sessionBus().registerService("org.gnome.Screenshot"))
        << "cannot act as a screenshot tool on the session bus";
    closeOverview();
    QTemporaryDir scratch;
    const QString bundle = qEnvironmentVariable("VEXA_E2E_BUNDLE");

    const Shown system = showWindowOf(SYSTEM_QT_INSTALLER, scratch);
    const Shown bundled = showWindowOf(bundle + "/install", scratch);
    ASSERT_FALSE(system.window.isNull()) << "no window of the installer on the system's Qt";
    ASSERT_FALSE(bundled.window.isNull()) << "no window of the bundle's installer";
    QDir().mkpath(ARTIFACTS_DIR);
    system.window.save(QStringLiteral(ARTIFACTS_DIR "/gnome-installer-system-qt.png"));
    bundled.window.save(QStringLiteral(ARTIFACTS_DIR "/gnome-installer-bundle.png"));

    // The frame, title bar included, has the same size, and its top rows, where a title bar has
    // its caption and buttons, look alike.
    const auto sizeOf = [](const QImage &window) {
        return std::to_string(window.width()) + 'x' + std::to_string(window.height());
    };
    EXPECT_EQ(sizeOf(bundled.window), sizeOf(system.window));
    const QRect titleBar(0, 0, system.window.width(), 24);
    EXPECT_GE(psnr(system.window.copy(titleBar), bundled.window.copy(titleBar)), 40.0);
    EXPECT_TRUE(bundled.maps.contains(
        (bundle + "/plugins/wayland-decoration-client/libbradient.so").toUtf8()))
        << "the bundle's decorations were not loaded";
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv); // for the session bus
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
