// Run on a GNOME Shell desktop (tests/e2e/with-gnome.sh): the window of the installer of an
// unpacked bundle (VEXA_E2E_BUNDLE) has the title bar, buttons included, that the installer built
// here on the system's Qt (SYSTEM_QT_INSTALLER) has. Mutter draws no decorations for Wayland
// clients, so Qt draws its own, with the decoration plugin of the bundle.
#include "GnomeShellHooks.h"
#include "Psnr.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

namespace {

using testsupport::GnomeShellHooks;
using testsupport::ShellWindow;

struct Shown
{
    QImage window; // with its frame
    QByteArray maps; // what the program had loaded
};

// The window of process `pid`, when the shell shows one.
std::optional<ShellWindow> windowOf(const GnomeShellHooks &shell, qint64 pid)
{
    for (const ShellWindow &window : shell.windows())
        if (window.pid == pid)
            return window;
    return std::nullopt;
}

bool waitUntil(const std::function<bool()> &condition)
{
    const QDeadlineTimer deadline(20000);
    while (!condition() && !deadline.hasExpired())
        QThread::msleep(100);
    return condition();
}

// Starts `program` on Wayland and takes its window, frame included, from the screen; then ends
// the program and waits until its window is gone.
Shown showWindowOf(
    const GnomeShellHooks &shell, const QString &program, const QTemporaryDir &scratch)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "wayland");
    env.insert("HOME", scratch.filePath("home")); // the same proposed folder for both
    env.insert("XDG_DATA_HOME", scratch.filePath("home/.local/share"));
    QProcess installer;
    installer.setProcessEnvironment(env);
    installer.start(program, QStringList());
    installer.waitForStarted();
    const qint64 pid = installer.processId();
    Shown shown;
    if (waitUntil([&] { return windowOf(shell, pid).has_value(); })) {
        QThread::msleep(1000); // the decorations are drawn after the first frame
        // The frame as it is now, decorations included.
        if (const std::optional<ShellWindow> window = windowOf(shell, pid))
            shown.window = shell.screenshot().copy(window->frame);
        QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
        if (maps.open(QIODevice::ReadOnly))
            shown.maps = maps.readAll();
    }
    installer.kill();
    installer.waitForFinished();
    waitUntil([&] { return !windowOf(shell, pid); });
    return shown;
}

TEST(InstallerGnomeTitleBar, TheBundleInstallerHasTheTitleBarOfTheSystemQtOne)
{
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("VEXA_E2E_BUNDLE"));
    ASSERT_TRUE(GnomeShellHooks::available()) << "not on the GNOME desktop of with-gnome.sh";
    const GnomeShellHooks shell;
    QTemporaryDir scratch;
    const QString bundle = qEnvironmentVariable("VEXA_E2E_BUNDLE");

    const Shown system = showWindowOf(shell, SYSTEM_QT_INSTALLER, scratch);
    const Shown bundled = showWindowOf(shell, bundle + "/install", scratch);
    ASSERT_FALSE(system.window.isNull()) << "no window of the installer on the system's Qt";
    ASSERT_FALSE(bundled.window.isNull()) << "no window of the bundle's installer";
    // Kept where the desktop's user may write, for a look when a check fails.
    if (QDir().mkpath(ARTIFACTS_DIR)) {
        system.window.save(QStringLiteral(ARTIFACTS_DIR "/gnome-installer-system-qt.png"));
        bundled.window.save(QStringLiteral(ARTIFACTS_DIR "/gnome-installer-bundle.png"));
    }

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
