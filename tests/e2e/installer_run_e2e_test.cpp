// End-to-end: the real installer beside a real package, on an Xvfb server (see with-xvfb.sh),
// driven with xdotool: tick the agreement, click start, and check the installed client, the
// shortcut, the settings file, the removed package and the start button's captions. The
// unreachable install report must leave the installer silent.
#include "InstallerE2E.h"
#include "ShortcutReaders.h"
#include "TestSupport.h"

#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace installer_e2e;
using namespace testsupport;

namespace {

TEST(InstallerRunE2E, TickStartAndTheClientIsInstalled)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root for a network namespace of its own";
    int argc = 1;
    char name[] = "installer_run_e2e_test";
    char *argv[] = {name, nullptr};
    QApplication app(argc, argv);

    QTemporaryDir root;
    const QString prog = root.filePath("prog"), base = prog + "/base";
    const QStringList files {"vexa.exe", "favicon.ico", "lib/core.so", "lib/net.so",
        "语言/中文 简体.qm", "docs/readme,1.txt"};
    for (int i = 0; i < 10; ++i)
        QDir().mkpath(base + QStringLiteral("/plugins/p%1").arg(i));
    QStringList all = files;
    for (int i = 0; i < 10; ++i)
        all << QStringLiteral("plugins/p%1/plugin.so").arg(i);
    for (const QString &file : all) {
        QDir().mkpath(QFileInfo(base + '/' + file).path());
        writeAll(base + '/' + file, file.toUtf8().repeated(100));
    }
    QDir().mkpath(base + "/empty");
    QFile::setPermissions(base + "/vexa.exe", QFileDevice::Permissions(0x7755));
    ASSERT_TRUE(QFile::copy(QStringLiteral(INSTALL_PATH), prog + "/install"));
    QFile::setPermissions(prog + "/install", QFileDevice::Permissions(0x7755));

    Installer installer(prog + "/install", scratchUser(root.path()));
    ASSERT_TRUE(installer.findWindow()) << installer.process.readAllStandardError().toStdString();
    const QPoint origin = installer.origin;

    installer.click(check1);
    installer.click(command1.center());
    QThread::msleep(700);
    QDir().mkpath(QStringLiteral(ARTIFACTS_DIR));
    const QImage midway = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    midway.save(QStringLiteral(ARTIFACTS_DIR "/installer-run-midway.png"));
    EXPECT_TRUE(captionOf(midway, origin, int(all.size()) - 1).startsWith("安装中("));

    const QString installed = root.filePath("data/vexa");
    ASSERT_TRUE(waitUntil([&] { return !QFileInfo::exists(base); }));
    run({"xdotool", "mousemove", "0", "0"});
    QThread::msleep(500);
    const QImage finished = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    finished.save(QStringLiteral(ARTIFACTS_DIR "/installer-run-finished.png"));
    EXPECT_EQ(
        captionOf(finished, origin, int(all.size()) - 1), QStringLiteral("安装完成,打开软件"));

    for (const QString &file : all)
        EXPECT_EQ(readAll(installed + '/' + file), file.toUtf8().repeated(100));
    EXPECT_TRUE(QFileInfo(installed + "/empty").isDir());
    EXPECT_EQ(modeOf(installed + "/vexa.exe"), 0755u);
    EXPECT_EQ(readAll(root.filePath("data/vexaconfig.txt")), (installed + '\n').toUtf8());
    const QString shortcut = root.filePath("home/Desktop/VEXA.lnk");
    ASSERT_TRUE(shortcutReadersPresent());
    EXPECT_EQ(readWithLnkinfo(shortcut).target, installed + "/vexa.exe");
    EXPECT_EQ(readWithExiftool(shortcut).icon, installed + "/favicon.ico");
    // The unreachable report changed nothing: the installer is still up, with no message.
    EXPECT_EQ(installer.process.state(), QProcess::Running);
    EXPECT_EQ(run({"xdotool", "search", "--onlyvisible", "--name", "."}).count('\n'), 0);
}

} // namespace
