// End-to-end on an Xvfb server (see with-xvfb.sh): the real installer of an unpacked bundle
// (VEXA_E2E_BUNDLE), copied below a path with blanks and Chinese characters, driven with xdotool
// through a pasted folder whose name holds every character a launcher must quote, the agreement,
// start (opening the instructions and the site while it copies), finish and open; then each
// desktop entry it wrote starts the client through the desktop's launcher (gio), and a second
// start proposes the folder just used. The installer runs in a network namespace of its own, so
// its report never leaves the machine; xdg-open is a stand-in that records its arguments.
#include "InstallerDriver.h"
#include "ShortcutReaders.h"
#include "TestSupport.h"
#include "platform/ShellLinkWriter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include <gtest/gtest.h>

#include <csignal>
#include <limits>
#include <unistd.h>

using namespace installerdriver;
using namespace testsupport;

namespace {

// Where controls take a click (Label3 grows leftwards with the host; its right end is on it).
const QRect command1(16, 192, 129, 41);
const QPoint check1(60, 125), command3(168, 124), label3(362, 216);

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

// A user whose home, data, configuration and runtime folders all lie below `root`, with a stand-in
// xdg-open that records its arguments in opened.txt there.
QProcessEnvironment userBelow(const QTemporaryDir &root)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const std::pair<const char *, const char *> folders[]
        = {{"HOME", "home"}, {"XDG_DATA_HOME", "data"}, {"XDG_CONFIG_HOME", "config"},
            {"XDG_DESKTOP_DIR", "home/Desktop"}, {"XDG_RUNTIME_DIR", "run"}, {"", "bin"}};
    for (const auto &[variable, folder] : folders) {
        QDir().mkpath(root.filePath(folder));
        env.insert(variable, root.filePath(folder));
    }
    QFile::setPermissions(root.filePath("run"), QFileDevice::Permissions(0x7700));
    // No session bus: gio would wait for one. A locale that asks for no translation.
    env.insert("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    env.insert("LANG", "C.UTF-8");
    for (const char *variable : {"LC_ALL", "LC_MESSAGES", "LANGUAGE"})
        env.remove(variable);
    const QString launcher = root.filePath("bin/xdg-open");
    writeAll(launcher, "#!/bin/sh\nprintf '%s|%s\\n' \"$#\" \"$1\" >> \"$VEXA_TEST_OPENED\"\n");
    QFile::setPermissions(launcher, QFileDevice::Permissions(0x7755));
    env.insert("PATH", root.filePath("bin") + ':' + env.value("PATH"));
    env.insert("VEXA_TEST_OPENED", root.filePath("opened.txt"));
    return env;
}

// The demo client's window appears and belongs to the process of `exe`, which runs in `folder`
// unless that is empty; it closes on Esc.
void expectClientWindowThenClose(const QString &exe, const QString &folder)
{
    const QByteArray clientWindow
        = run({"xdotool", "search", "--sync", "--onlyvisible", "--name", "^VEXA$"});
    ASSERT_FALSE(clientWindow.isEmpty()) << "no window of the demo client";
    const pid_t pid = processRunning(exe);
    ASSERT_GT(pid, 0);
    EXPECT_EQ(run({"xdotool", "getwindowpid", clientWindow.split('\n').first()}),
        QByteArray::number(pid));
    if (!folder.isEmpty()) {
        EXPECT_EQ(QFileInfo(QStringLiteral("/proc/%1/cwd").arg(pid)).symLinkTarget().toStdString(),
            folder.toStdString());
    }
    run({"xdotool", "windowfocus", "--sync", clientWindow.split('\n').first(), "key", "Escape"});
    EXPECT_TRUE(waitUntil([&exe] { return processRunning(exe) == 0; }, 10000));
}

// desktop-file-validate's verdict: "rc=0" alone when it finds nothing to say.
QByteArray validation(const QString &entry)
{
    return run({"sh", "-c", "desktop-file-validate \"$1\" 2>&1; echo rc=$?", "-", entry});
}

// The words of an Exec= value as the desktop entry format reads them: the string escapes
// undone, the words split at blanks outside double quotes, where a backslash keeps the character
// after it, and "%%" read as "%".
QStringList execArguments(const QString &value)
{
    QString command;
    const QMap<QChar, QChar> escapes {
        {'s', ' '}, {'n', '\n'}, {'t', '\t'}, {'r', '\r'}, {'\\', '\\'}};
    for (qsizetype i = 0; i < value.size(); ++i) {
        const bool escape
            = value[i] == '\\' && i + 1 < value.size() && escapes.contains(value[i + 1]);
        command += escape ? escapes[value[++i]] : value[i];
    }
    QStringList words;
    QString word;
    bool started = false, quoted = false;
    for (qsizetype i = 0; i < command.size(); ++i) {
        const QChar c = command[i];
        if (!quoted && c == ' ') {
            if (started)
                words << std::exchange(word, QString());
            started = false;
        } else if (quoted && c == '\\' && i + 1 < command.size()) {
            word += command[++i];
        } else {
            quoted = c == '"' ? !quoted : quoted;
            word += c == '"' ? QString() : QString(c);
            started = true;
        }
    }
    if (started)
        words << word;
    for (QString &each : words)
        each.replace("%%", "%");
    return words;
}

// Each entry's relative path, type and permission bits; an install folder's record left out.
QByteArray listing(const QString &folder)
{
    return run({"sh", "-c",
        "cd \"$1\" && find . -mindepth 1 ! -path ./install-record.json -printf '%p %y %m\\n' | "
        "sort",
        "-", folder});
}

TEST(InstallerBundleE2E, InstallOpenAndTheFolderIsRemembered)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root for a network namespace of its own";
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("VEXA_E2E_BUNDLE"));

    // No blank in the root: Qt splits the launcher's path at blanks.
    QTemporaryDir root(QDir::tempPath() + "/安装-e2e-XXXXXX");
    // Blanks, Chinese, '"', '$', '=', '\\', '`', '%' and "'": each needs its own quoting in an
    // entry.
    const QString prog = root.filePath("安装 包"),
                  typed
        = root.filePath(QString::fromUtf8(R"(my inst/安装 "引" $HOME =1 \反 `id` %f 'q')"));
    const QString pristine = qEnvironmentVariable("VEXA_E2E_BUNDLE") + "/base";
    ASSERT_TRUE(copyBundle(prog));
    QDir().mkpath(root.filePath("my inst"));
    const int entries = int(run({"find", pristine, "-type", "f"}).split('\n').size());

    const QProcessEnvironment env = userBelow(root);
    const QString opened = root.filePath("opened.txt");
    const ClientKeeper client {typed + "/vexa.exe"};
    const QString shortcut = root.filePath("home/Desktop/VEXA.lnk");
    const QString menuEntry = root.filePath("data/applications/vexa.desktop"),
                  desktopEntry = root.filePath("home/Desktop/vexa.desktop"),
                  grantEntry = root.filePath("data/applications/vexacaptScreen.desktop");
    const QString artifacts = QStringLiteral(ARTIFACTS_DIR);
    QDir().mkpath(artifacts);

    {
        Installer installer(prog + "/install", env);
        ASSERT_TRUE(installer.findWindow())
            << installer.process.readAllStandardError().toStdString();
        // Qt's Chinese stock texts are loaded (the translation stays mapped while in use).
        EXPECT_TRUE(readAll(QStringLiteral("/proc/%1/maps").arg(installer.process.processId()))
                        .contains("/qtbase_zh_CN.qm"));
        const QRect window = installer.geometry;
        const QSize desktop = QGuiApplication::primaryScreen()->size();
        EXPECT_EQ(window.size(), QSize(375, 248));
        EXPECT_LE(qAbs(2 * window.x() + window.width() - desktop.width()), 2);
        EXPECT_LE(qAbs(2 * window.y() + window.height() - desktop.height()), 2);
        screen().save(artifacts + "/installer-window.png");

        ASSERT_TRUE(installer.pasteFolder(typed));
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
        EXPECT_EQ(
            QProcess::execute("diff", {"-r", "-x", "install-record.json", pristine, typed}), 0);
        EXPECT_EQ(readAll(root.filePath("data/vexaconfig.txt")), (typed + '\n').toUtf8());
        ASSERT_TRUE(shortcutReadersPresent());
        EXPECT_EQ(readWithLnkinfo(shortcut).target, typed + "/vexa.exe");
        EXPECT_EQ(readWithExiftool(shortcut).icon, typed + "/favicon.ico");
        EXPECT_EQ(readAll(shortcut),
            platform::ShellLinkWriter::build(typed + "/vexa.exe", typed + "/favicon.ico"));

        // The launchers: the entries valid, the desktop's executable, the icon a theme PNG.
        EXPECT_EQ(validation(menuEntry), "rc=0");
        EXPECT_EQ(validation(desktopEntry), "rc=0");
        // Beside the menu's, hidden, the one through which KWin grants the installed capture tool
        // its screenshot interface: KWin matches the first word of its Exec= with the caller.
        EXPECT_EQ(validation(grantEntry), "rc=0");
        const QByteArray grant = readAll(grantEntry);
        EXPECT_TRUE(grant.contains("\nNoDisplay=true\n"));
        EXPECT_TRUE(
            grant.contains("\nX-KDE-DBUS-Restricted-Interfaces=org.kde.KWin.ScreenShot2\n"));
        const qsizetype exec = grant.indexOf("\nExec=") + 6;
        EXPECT_EQ(
            execArguments(QString::fromUtf8(grant.mid(exec, grant.indexOf('\n', exec) - exec))),
            QStringList {typed + "/vexacaptScreen"});
        EXPECT_EQ(readAll(desktopEntry), readAll(menuEntry));
        EXPECT_EQ(modeOf(desktopEntry), 0755u);
        EXPECT_TRUE(readAll(menuEntry).contains("\nIcon=vexa\n"));
        const QList<QByteArray> icons
            = run({"find", root.filePath("data/icons"), "-name", "vexa.png"}).split('\n');
        ASSERT_EQ(icons.size(), 1);
        QImageReader icon(QString::fromUtf8(icons[0]));
        EXPECT_EQ(icon.format(), "png");
        EXPECT_GE(icon.size().width(), 16);
        EXPECT_TRUE(icons[0].endsWith(
            QStringLiteral("/hicolor/%1x%1/apps/vexa.png").arg(icon.size().height()).toUtf8()));

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
    expectClientWindowThenClose(client.exe, {});

    // Each desktop entry starts it through the desktop's launcher, in the install folder.
    const QByteArray shortcutBytes = readAll(shortcut);
    for (const QString &entry : {menuEntry, desktopEntry}) {
        SCOPED_TRACE(entry.toStdString());
        QProcess gio;
        gio.setProcessEnvironment(env);
        gio.start("gio", {"launch", entry});
        ASSERT_TRUE(gio.waitForFinished(15000));
        EXPECT_EQ(gio.exitCode(), 0) << gio.readAllStandardError().toStdString();
        expectClientWindowThenClose(client.exe, typed);
    }
    EXPECT_EQ(readAll(shortcut), shortcutBytes);

    // A second start on a fresh copy: the box, which has the focus, holds the folder just used.
    ASSERT_TRUE(copyBundle(prog));
    Installer again(prog + "/install", env);
    ASSERT_TRUE(again.findWindow()) << again.process.readAllStandardError().toStdString();
    EXPECT_EQ(Installer::focusedBoxText(), typed.toUtf8());
}

// The centre of the OK button of an error box as wide as the installer's, from the box's
// bottom-right corner: a box of this program on the same server is laid out alike.
QPoint okButtonFromCorner()
{
    QMessageBox probe(
        QMessageBox::Critical, "probe", QString("word ").repeated(300), QMessageBox::Ok);
    probe.show();
    QApplication::processEvents();
    const QAbstractButton *ok = probe.button(QMessageBox::Ok);
    return probe.rect().bottomRight() - ok->mapTo(&probe, ok->rect().center());
}

TEST(InstallerBundleE2E, FoldersInThePackageAreRefusedAndALongErrorFitsTheScreen)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root for a network namespace of its own";
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("VEXA_E2E_BUNDLE"));
    QTemporaryDir root(QDir::tempPath() + "/拒绝-e2e-XXXXXX");
    const QString prog = root.filePath("安装 包"),
                  pristine = qEnvironmentVariable("VEXA_E2E_BUNDLE") + "/base";
    ASSERT_TRUE(copyBundle(prog));
    ASSERT_TRUE(QFile::link(prog + "/base", root.filePath("通道")));
    const QProcessEnvironment env = userBelow(root);
    const QString settings = root.filePath("data/vexaconfig.txt");
    const QString shortcut = root.filePath("home/Desktop/VEXA.lnk");
    const QString artifacts = QStringLiteral(ARTIFACTS_DIR);
    QDir().mkpath(artifacts);

    Installer refusing(prog + "/install", env);
    ASSERT_TRUE(refusing.findWindow()) << refusing.process.readAllStandardError().toStdString();
    refusing.click(check1);
    // Each refusal is a tip; after its OK the same window takes the next folder.
    const QString refused[] = {prog + "/base", prog + "/base/vexa", root.filePath("通道/vexa")};
    for (const QString &folder : refused) {
        SCOPED_TRACE(folder.toStdString());
        ASSERT_TRUE(refusing.pasteFolder(folder));
        refusing.click(command1.center());
        const QByteArray tip = refusing.windowNamed("^安装提示$");
        ASSERT_FALSE(tip.isEmpty()) << "no tip for the refused folder";
        screen().save(artifacts + "/installer-refused.png");
        run({"xdotool", "windowfocus", "--sync", tip, "key", "Return"});
        EXPECT_TRUE(waitUntil([&] { return refusing.windowNamed("^安装提示$", 0).isEmpty(); }));
    }
    EXPECT_EQ(listing(prog + "/base"), listing(pristine));
    EXPECT_EQ(QProcess::execute("diff", {"-r", pristine, prog + "/base"}), 0);
    EXPECT_FALSE(QFileInfo::exists(settings) || QFileInfo::exists(shortcut));

    // A folder of 330 levels whose parent is missing: the error box fits the 1280x800 screen and
    // its OK button, where Qt lays it out, ends the program.
    QString deep = root.filePath("深");
    for (int level = 0; level < 330; ++level)
        deep += "/component";
    ASSERT_TRUE(refusing.pasteFolder(deep));
    refusing.click(command1.center());
    const QByteArray error = refusing.windowNamed("^install$");
    ASSERT_FALSE(error.isEmpty()) << "no error box";
    QThread::msleep(300);
    const QRect box = Installer::geometryOf(error);
    screen().save(artifacts + "/installer-long-error.png");
    EXPECT_EQ(QGuiApplication::primaryScreen()->geometry(), QRect(0, 0, 1280, 800));
    EXPECT_TRUE(QRect(0, 0, 1280, 800).contains(box))
        << box.x() << ',' << box.y() << ' ' << box.width() << 'x' << box.height();
    const QPoint ok = box.bottomRight() - okButtonFromCorner();
    run({"xdotool", "mousemove", QString::number(ok.x()), QString::number(ok.y()), "click", "1"});
    EXPECT_TRUE(refusing.process.waitForFinished(15000));
    EXPECT_EQ(refusing.process.exitCode(), 1);
    EXPECT_EQ(listing(prog + "/base"), listing(pristine));
    EXPECT_FALSE(QFileInfo::exists(settings) || QFileInfo::exists(root.filePath("深")));

    // A folder beside the package, its name starting with the package's, installs as before.
    const QString beside = prog + "/base2";
    Installer installing(prog + "/install", env);
    ASSERT_TRUE(installing.findWindow());
    ASSERT_TRUE(installing.pasteFolder(beside));
    installing.click(check1);
    installing.click(command1.center());
    ASSERT_TRUE(waitUntil(
        [&] { return !QFileInfo::exists(prog + "/base") && QFileInfo::exists(settings); }));
    EXPECT_EQ(listing(beside), listing(pristine));
    EXPECT_EQ(readAll(settings), (beside + '\n').toUtf8());
    EXPECT_EQ(readWithLnkinfo(shortcut).target, beside + "/vexa.exe");
}

} // namespace
