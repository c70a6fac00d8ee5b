// End-to-end on an Xvfb server (see with-xvfb.sh): the real installer of an unpacked bundle
// (VEXA_E2E_BUNDLE), copied below a path with blanks and Chinese characters, driven with xdotool
// through a typed folder, the agreement, start (opening the instructions and the site while it
// copies), finish and open; then a second start proposes the folder just used. The installer runs
// in a network namespace of its own, so its report never leaves the machine; xdg-open is a
// stand-in that records its arguments.
#include "ShortcutReaders.h"
#include "TestSupport.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <limits>
#include <unistd.h>

using namespace testsupport;

namespace {

// Where controls take a click (Label3 grows leftwards with the host; its right end is on it).
const QRect command1(16, 192, 129, 41);
const QPoint check1(60, 125), command3(168, 124), label3(362, 216), pathBox(184, 169);

// Runs a helper program to its end; its standard output, trimmed.
QByteArray run(const QStringList &command)
{
    QProcess process;
    process.start(command.first(), command.mid(1));
    process.waitForFinished(15000);
    return process.readAllStandardOutput().trimmed();
}

// Hands the text to xclip, which keeps serving it until another program takes the clipboard.
bool putOnClipboard(const QString &text)
{
    QProcess xclip;
    xclip.start("xclip", {"-selection", "clipboard", "-i"});
    xclip.write(text.toUtf8());
    xclip.closeWriteChannel();
    return xclip.waitForFinished(15000) && xclip.exitCode() == 0;
}

// Long enough for a whole installation of the bundle: one file a tick of 200 ms, the 50-odd
// libraries of its runtime included.
bool waitUntil(const std::function<bool()> &condition, int timeoutMs = 60000)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition() && !deadline.hasExpired())
        QThread::msleep(50);
    return condition();
}

QImage screen()
{
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage();
}

// The caption among every one of a run over `entries` entries whose rendering lies nearest to
// Command1 in `shot` of a window at `origin`.
QString captionOf(const QImage &shot, QPoint origin, int entries)
{
    QStringList captions {QStringLiteral("开始安装"), QStringLiteral("安装完成,打开软件")};
    for (int i = -1; i < entries; ++i)
        captions << (i < 0 ? QStringLiteral("安装中...")
                           : QStringLiteral("安装中(%1/%2)...").arg(entries - 1).arg(i));
    const QImage button
        = shot.copy(command1.translated(origin)).convertToFormat(QImage::Format_RGB32);
    QString nearest;
    qint64 best = std::numeric_limits<qint64>::max();
    for (const QString &caption : captions) {
        QWidget window;
        QFont font = window.font();
        font.setPixelSize(11); // the installer window's font
        window.setFont(font);
        QPushButton rendered(caption, &window);
        rendered.setGeometry(QRect(QPoint(0, 0), command1.size()));
        rendered.setEnabled(!caption.startsWith(QStringLiteral("安装中")));
        const QImage reference = rendered.grab().toImage().convertToFormat(QImage::Format_RGB32);
        qint64 distance = 0;
        for (int y = 0; y < button.height(); ++y)
            for (int x = 0; x < button.width(); ++x) {
                const QRgb a = button.pixel(x, y), b = reference.pixel(x, y);
                distance += qAbs(qRed(a) - qRed(b)) + qAbs(qGreen(a) - qGreen(b))
                    + qAbs(qBlue(a) - qBlue(b));
            }
        if (distance < best) {
            best = distance;
            nearest = caption;
        }
    }
    return nearest;
}

// The installer at `program` in a network namespace of its own; killed unless it has ended.
struct Installer
{
    Installer(const QString &program, const QProcessEnvironment &env)
    {
        process.setProcessEnvironment(env);
        process.start("unshare", {"--net", program});
        process.waitForStarted();
    }
    ~Installer()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }

    // Waits for the window, notes its geometry and gives it the focus.
    bool findWindow()
    {
        if (!waitUntil([this] {
                window = run({"xdotool", "search", "--all", "--onlyvisible", "--pid",
                    QString::number(process.processId()), "--name", "^VEXA即时通信$"});
                return !window.isEmpty();
            }))
            return false;
        window = window.split('\n').first();
        QThread::msleep(500); // let the first frame be drawn
        QMap<QByteArray, int> shell; // X=, Y=, WIDTH=, HEIGHT=
        for (const QByteArray &line :
            run({"xdotool", "getwindowgeometry", "--shell", window}).split('\n'))
            shell[line.left(line.indexOf('='))] = line.mid(line.indexOf('=') + 1).toInt();
        geometry = QRect(shell["X"], shell["Y"], shell["WIDTH"], shell["HEIGHT"]);
        run({"xdotool", "windowfocus", "--sync", window});
        return true;
    }

    void click(QPoint at, int settleMs = 150) const
    {
        at += geometry.topLeft();
        run({"xdotool", "mousemove", QString::number(at.x()), QString::number(at.y()), "click",
            "1"});
        QThread::msleep(static_cast<unsigned long>(settleMs));
    }

    QProcess process;
    QByteArray window;
    QRect geometry;
};

// A fresh copy of the whole bundle, runtime included: the installation deletes base/.
bool copyBundle(const QString &to)
{
    QDir(to).removeRecursively();
    QDir().mkpath(to);
    return QProcess::execute("cp", {"-a", qEnvironmentVariable("VEXA_E2E_BUNDLE") + "/.", to}) == 0;
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

// Ends the demo client started from `exe`, whatever happens to the test.
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

// Each entry's relative path, type and permission bits.
QByteArray listing(const QString &folder)
{
    return run(
        {"sh", "-c", "cd \"$1\" && find . -mindepth 1 -printf '%p %y %m\\n' | sort", "-", folder});
}

TEST(InstallerBundleE2E, InstallOpenAndTheFolderIsRemembered)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root for a network namespace of its own";
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("VEXA_E2E_BUNDLE"));
    int argc = 1;
    char name[] = "installer_bundle_e2e_test";
    char *argv[] = {name, nullptr};
    QApplication app(argc, argv);

    // No blank in the root: Qt splits the launcher's path at blanks.
    QTemporaryDir root(QDir::tempPath() + "/安装-e2e-XXXXXX");
    const QString prog = root.filePath("安装 包"), typed = root.filePath("my inst/vexa");
    const QString pristine = qEnvironmentVariable("VEXA_E2E_BUNDLE") + "/base";
    ASSERT_TRUE(copyBundle(prog));
    QDir().mkpath(root.filePath("my inst"));
    const int entries = int(run({"find", pristine, "-type", "f"}).split('\n').size());

    // A user whose home, data, configuration and runtime folders all lie below the root.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const std::pair<const char *, const char *> folders[]
        = {{"HOME", "home"}, {"XDG_DATA_HOME", "data"}, {"XDG_CONFIG_HOME", "config"},
            {"XDG_DESKTOP_DIR", "home/Desktop"}, {"XDG_RUNTIME_DIR", "run"}, {"", "bin"}};
    for (const auto &[variable, folder] : folders) {
        QDir().mkpath(root.filePath(folder));
        env.insert(variable, root.filePath(folder));
    }
    QFile::setPermissions(root.filePath("run"), QFileDevice::Permissions(0x7700));
    const QString launcher = root.filePath("bin/xdg-open"), opened = root.filePath("opened.txt");
    writeAll(launcher, "#!/bin/sh\nprintf '%s|%s\\n' \"$#\" \"$1\" >> \"$VEXA_TEST_OPENED\"\n");
    QFile::setPermissions(launcher, QFileDevice::Permissions(0x7755));
    env.insert("PATH", root.filePath("bin") + ':' + env.value("PATH"));
    env.insert("VEXA_TEST_OPENED", opened);
    const ClientKeeper client {typed + "/vexa.exe"};
    const QString artifacts = QStringLiteral(ARTIFACTS_DIR);
    QDir().mkpath(artifacts);

    {
        Installer installer(prog + "/install", env);
        ASSERT_TRUE(installer.findWindow())
            << installer.process.readAllStandardError().toStdString();
        const QRect window = installer.geometry;
        const QSize desktop = QGuiApplication::primaryScreen()->size();
        EXPECT_EQ(window.size(), QSize(375, 248));
        EXPECT_LE(qAbs(2 * window.x() + window.width() - desktop.width()), 2);
        EXPECT_LE(qAbs(2 * window.y() + window.height() - desktop.height()), 2);
        screen().save(artifacts + "/installer-window.png");

        // Pasted, not typed: xdotool types characters missing from the keymap by remapping keys
        // on the fly, which drops some of them when the program reads its input late.
        ASSERT_TRUE(putOnClipboard(typed));
        installer.click(pathBox);
        run({"xdotool", "key", "ctrl+a", "ctrl+v"});
        installer.click(check1);
        installer.click(command1.center(), 50);
        installer.click(command3, 50);
        installer.click(label3, 50);
        const QImage during = screen();
        during.save(artifacts + "/installer-during.png");
        EXPECT_TRUE(captionOf(during, window.topLeft(), entries).startsWith("安装中("))
            << "the instructions and the site were not opened during the installation";

        ASSERT_TRUE(waitUntil([&] {
            return !QFileInfo::exists(prog + "/base")
                && QFileInfo::exists(root.filePath("data/vexaconfig.txt"));
        }));
        run({"xdotool", "mousemove", "0", "0"});
        QThread::msleep(500);
        const QImage finished = screen();
        finished.save(artifacts + "/installer-finished.png");
        EXPECT_EQ(
            captionOf(finished, window.topLeft(), entries), QStringLiteral("安装完成,打开软件"));
        // The unreachable report showed nothing: the window is the only one.
        EXPECT_EQ(run({"xdotool", "search", "--onlyvisible", "--name", "."}), installer.window);

        EXPECT_EQ(listing(typed), listing(pristine)); // executable bits too
        EXPECT_EQ(QProcess::execute("diff", {"-r", pristine, typed}), 0);
        EXPECT_EQ(readAll(root.filePath("data/vexaconfig.txt")), (typed + '\n').toUtf8());
        const QString shortcut = root.filePath("home/Desktop/VEXA.lnk");
        ASSERT_TRUE(shortcutReadersPresent());
        EXPECT_EQ(readWithLnkinfo(shortcut).target, typed + "/vexa.exe");
        EXPECT_EQ(readWithExiftool(shortcut).icon, typed + "/favicon.ico");

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

    // The client runs from the install folder, outliving the installer, and closes on Esc.
    const QByteArray clientWindow
        = run({"xdotool", "search", "--sync", "--onlyvisible", "--name", "^VEXA$"});
    ASSERT_FALSE(clientWindow.isEmpty()) << "no window of the demo client";
    const pid_t pid = processRunning(client.exe);
    ASSERT_GT(pid, 0);
    EXPECT_EQ(run({"xdotool", "getwindowpid", clientWindow.split('\n').first()}),
        QByteArray::number(pid));
    run({"xdotool", "windowfocus", "--sync", clientWindow.split('\n').first(), "key", "Escape"});
    EXPECT_TRUE(waitUntil([&client] { return processRunning(client.exe) == 0; }, 10000));

    // A second start on a fresh copy: the box, which has the focus, holds the folder just used.
    ASSERT_TRUE(copyBundle(prog));
    Installer again(prog + "/install", env);
    ASSERT_TRUE(again.findWindow()) << again.process.readAllStandardError().toStdString();
    run({"xdotool", "key", "ctrl+a", "ctrl+c"});
    EXPECT_EQ(run({"xclip", "-o", "-selection", "clipboard"}), typed.toUtf8());
}

} // namespace
