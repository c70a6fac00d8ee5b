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

#include <algorithm>
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

// The window of process `pid` once its first frame is on the screen.
std::optional<ShellWindow> windowOf(const GnomeShellHooks &shell, qint64 pid)
{
    const QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
        for (const ShellWindow &window : shell.windows())
            if (window.pid == pid)
                return window;
        QThread::msleep(100);
    }
    return std::nullopt;
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
    Shown shown;
    if (installer.waitForStarted()) {
        if (windowOf(shell, installer.processId())) {
            QThread::msleep(1000); // the decorations are drawn after the first frame
            // The frame as it is now, decorations included.
            shown.window = shell.screenshot().copy(windowOf(shell, installer.processId())->frame);
            QFile maps(QStringLiteral("/proc/%1/maps").arg(installer.processId()));
            if (maps.open(QIODevice::ReadOnly))
                shown.maps = maps.readAll();
        }
    }
    const qint64 pid = installer.processId();
    installer.kill();
    installer.waitForFinished();
    const QDeadlineTimer gone(10000);
    while (!gone.hasExpired()
        && std::any_of(shell.windows().cbegin(), shell.windows().cend(),
            [pid](const ShellWindow &w) { return w.pid == pid; }))
        QThread::msleep(100);
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
