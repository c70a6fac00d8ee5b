// End-to-end: the real installer on a fresh copy of the built demo bundle, in a folder whose path
// holds blanks and Chinese characters, on an Xvfb server (see with-xvfb.sh). Driven with xdotool
// through a whole installation into a folder typed in the box, with the instructions and the
// site opened while it runs, then the open click: the demo client's window appears and the
// installer has ended. A second start on a fresh copy proposes the folder just used.
//
// The desktop's launcher is a stand-in "xdg-open" on PATH that records what it was given.
#include "InstallerE2E.h"
#include "TestSupport.h"

#include <QApplication>
#include <QFileInfo>
#include <QScreen>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

using namespace installer_e2e;
using namespace testsupport;

namespace {

// Where the path box takes a click.
const QPoint pathBox(184, 169);

// A fresh copy of the built bundle (the build's own base/ must survive the installation).
bool copyBundle(const QString &to)
{
    QDir(to).removeRecursively();
    QDir().mkpath(to);
    const QString built = QStringLiteral(INSTALLER_DIR);
    return QProcess::execute(
               "cp", {"-a", built + "/install", built + "/使用说明.txt", built + "/base", to + '/'})
        == 0;
}

// The process whose program is `exe`, or 0.
pid_t processRunning(const QString &exe)
{
    for (const QString &entry : QDir("/proc").entryList(QDir::Dirs)) {
        bool number = false;
        const pid_t pid = entry.toInt(&number);
        if (number && QFileInfo("/proc/" + entry + "/exe").symLinkTarget() == exe)
            return pid;
    }
    return 0;
}

// Ends the demo client this test caused to start from `exe`, whatever happens to the test.
struct ClientKeeper
{
    ~ClientKeeper()
    {
        const pid_t pid = processRunning(exe);
        if (pid > 0 && ::kill(pid, SIGKILL) == 0)
            waitUntil([pid] { return ::kill(pid, 0) != 0; }, 5000);
    }
    QString exe;
};

TEST(InstallerOpenE2E, InstallOpenAndTheFolderIsRemembered)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root for a network namespace of its own";
    int argc = 1;
    char name[] = "installer_open_e2e_test";
    char *argv[] = {name, nullptr};
    QApplication app(argc, argv);

    QTemporaryDir root;
    const QString prog = root.filePath("安装 包"), typed = root.filePath("my inst/vexa");
    ASSERT_TRUE(copyBundle(prog));
    QDir().mkpath(root.filePath("my inst"));
    const qsizetype packageFiles = run({"find", prog + "/base", "-type", "f"}).split('\n').size();

    QProcessEnvironment env = scratchUser(root.path());
    QDir().mkpath(root.filePath("bin"));
    const QString launcher = root.filePath("bin/xdg-open"), opened = root.filePath("opened.txt");
    writeAll(launcher, "#!/bin/sh\nprintf '%s|%s\\n' \"$#\" \"$1\" >> \"$VEXA_TEST_OPENED\"\n");
    QFile::setPermissions(launcher, QFileDevice::Permissions(0x7755));
    env.insert("PATH", root.filePath("bin") + ':' + env.value("PATH"));
    env.insert("VEXA_TEST_OPENED", opened);
    const ClientKeeper client {typed + "/vexa.exe"};

    {
        Installer installer(prog + "/install", env);
        ASSERT_TRUE(installer.findWindow())
            << installer.process.readAllStandardError().toStdString();
        run({"xdotool", "windowfocus", "--sync", installer.window});
        installer.click(pathBox);
        run({"xdotool", "key", "ctrl+a"});
        run({"xdotool", "type", "--delay", "5", typed});
        installer.click(check1);
        installer.click(command1.center(), 50);
        installer.click(command3, 50);
        installer.click(label3, 50);
        const QImage during = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        QDir().mkpath(QStringLiteral(ARTIFACTS_DIR));
        during.save(QStringLiteral(ARTIFACTS_DIR "/installer-open-during.png"));
        EXPECT_TRUE(
            captionOf(during, installer.origin, int(packageFiles) - 1).startsWith("安装中("))
            << "the instructions and the site were not opened during the installation";

        ASSERT_TRUE(waitUntil([&] {
            return !QFileInfo::exists(prog + "/base")
                && QFileInfo::exists(root.filePath("data/vexaconfig.txt"));
        }));
        run({"xdotool", "mousemove", "0", "0"});
        QThread::msleep(500);
        EXPECT_EQ(captionOf(QGuiApplication::primaryScreen()->grabWindow(0).toImage(),
                      installer.origin, int(packageFiles) - 1),
            QStringLiteral("安装完成,打开软件"));

        // The launcher got each address as one argument; the file's decodes to the exact path.
        const QList<QByteArray> lines = readAll(opened).trimmed().split('\n');
        ASSERT_EQ(lines.size(), 2) << readAll(opened).toStdString();
        EXPECT_TRUE(lines[0].startsWith("1|file://"));
        EXPECT_EQ(QUrl::fromEncoded(lines[0].mid(2), QUrl::StrictMode).toLocalFile(),
            prog + "/使用说明.txt");
        EXPECT_EQ(lines[1], "1|http://" MAKER_HOST);

        installer.click(command1.center());
        EXPECT_TRUE(installer.process.waitForFinished(15000));
        EXPECT_EQ(installer.process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(installer.process.exitCode(), 0);
    }

    // The client runs from the install folder, outliving the installer that started it.
    const QByteArray clientWindow
        = run({"xdotool", "search", "--sync", "--onlyvisible", "--name", "^VEXA$"});
    ASSERT_FALSE(clientWindow.isEmpty()) << "no window of the demo client";
    const pid_t pid = processRunning(client.exe);
    ASSERT_GT(pid, 0);
    EXPECT_EQ(run({"xdotool", "getwindowpid", clientWindow.split('\n').first()}),
        QByteArray::number(pid));
    EXPECT_TRUE(QFileInfo(typed + "/vexacaptScreen").isExecutable());

    // A second start on a fresh copy: the box, which has the focus, holds the folder just used.
    ASSERT_TRUE(copyBundle(prog));
    Installer again(prog + "/install", env);
    ASSERT_TRUE(again.findWindow()) << again.process.readAllStandardError().toStdString();
    run({"xdotool", "windowfocus", "--sync", again.window});
    run({"xdotool", "key", "ctrl+a", "ctrl+c"});
    EXPECT_EQ(run({"xclip", "-o", "-selection", "clipboard"}), typed.toUtf8());
}

} // namespace
