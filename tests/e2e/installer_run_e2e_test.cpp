// End-to-end: the real installer beside a real package, on an Xvfb server (see with-xvfb.sh),
// driven with xdotool: tick the agreement, click start, and check the installed client, the
// shortcut, the settings file, the removed package and the start button's captions. The button
// is read from screenshots by comparing it with buttons rendered here under each caption.
// The installer runs in a network namespace of its own, so its report cannot leave the machine
// (and it must stay silent about that).
#include "ShortcutReaders.h"
#include "TestSupport.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <limits>
#include <unistd.h>

using namespace testsupport;

namespace {

// Command1's place in the window, and where Check1 takes a click.
const QRect command1(16, 192, 129, 41);
const QPoint check1(60, 125);

QByteArray run(const QStringList &command)
{
    QProcess process;
    process.start(command.first(), command.mid(1));
    process.waitForFinished(15000);
    return process.readAllStandardOutput().trimmed();
}

bool waitUntil(const std::function<bool()> &condition)
{
    const QDeadlineTimer deadline(20000);
    while (!condition() && !deadline.hasExpired())
        QThread::msleep(50);
    return condition();
}

QImage renderButton(const QString &caption, bool enabled)
{
    QWidget window;
    QFont font = window.font();
    font.setPixelSize(11); // the installer window's font
    window.setFont(font);
    QPushButton button(caption, &window);
    button.setGeometry(QRect(QPoint(0, 0), command1.size()));
    button.setEnabled(enabled);
    return button.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The caption whose rendering lies nearest to the button in `shot`.
QString captionOf(const QImage &shot, const QPoint &window, int upperIndex)
{
    QList<std::pair<QString, bool>> candidates {{QStringLiteral("开始安装"), true},
        {QStringLiteral("安装中..."), false}, {QStringLiteral("安装完成,打开软件"), true}};
    for (int i = 0; i <= upperIndex; ++i)
        candidates.append({QStringLiteral("安装中(%1/%2)...").arg(upperIndex).arg(i), false});
    const QImage button
        = shot.copy(command1.translated(window)).convertToFormat(QImage::Format_RGB32);
    QString nearest;
    qint64 best = std::numeric_limits<qint64>::max();
    for (const auto &[caption, enabled] : candidates) {
        const QImage reference = renderButton(caption, enabled);
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

    QProcess installer;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *folder : {"home", "data", "config", "run"})
        QDir().mkpath(root.filePath(folder));
    QFile::setPermissions(root.filePath("run"), QFileDevice::Permissions(0x7700));
    env.insert("HOME", root.filePath("home"));
    env.insert("XDG_DATA_HOME", root.filePath("data"));
    env.insert("XDG_CONFIG_HOME", root.filePath("config"));
    env.insert("XDG_RUNTIME_DIR", root.filePath("run"));
    installer.setProcessEnvironment(env);
    installer.start("unshare", {"--net", prog + "/install"});
    ASSERT_TRUE(installer.waitForStarted());

    QByteArray window;
    ASSERT_TRUE(waitUntil([&] {
        window = run({"xdotool", "search", "--onlyvisible", "--name", "^VEXA即时通信$"});
        return !window.isEmpty();
    })) << installer.readAllStandardError().toStdString();
    window = window.split('\n').first();
    QThread::msleep(500);
    QPoint origin;
    for (const QByteArray &line :
        run({"xdotool", "getwindowgeometry", "--shell", window}).split('\n'))
        if (line.startsWith("X=") || line.startsWith("Y="))
            (line[0] == 'X' ? origin.rx() : origin.ry()) = line.mid(2).toInt();

    auto click = [&](QPoint at) {
        at += origin;
        run({"xdotool", "mousemove", QString::number(at.x()), QString::number(at.y()), "click",
            "1"});
        QThread::msleep(150);
    };
    click(check1);
    click(command1.center());
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
    EXPECT_EQ(installer.state(), QProcess::Running);
    EXPECT_EQ(run({"xdotool", "search", "--onlyvisible", "--name", "."}).count('\n'), 0);
    installer.kill();
    installer.waitForFinished();
}

} // namespace
