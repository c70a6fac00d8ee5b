// End-to-end on an Xvfb server (see with-xvfb.sh): Chinese typed into the folder box of the
// installer of an unpacked bundle (VEXA_E2E_BUNDLE) through the two input methods Chinese users
// type with, fcitx5 with pinyin and IBus with libpinyin, each as a user switches it on. The
// installer runs on the bundle's Qt alone, so it must carry their plugins. Each input method runs
// for a user of the test: a private home and session bus, so no state of the machine is read or
// left behind.
#include "InstallerDriver.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <vector>

using namespace installerdriver;

namespace {

// A user whose folders all lie below a temporary folder, with a session bus of its own that
// starts no services: only the programs started here run on it. They end with it, the bus last.
class PrivateSession
{
public:
    PrivateSession()
    {
        for (const char *folder : {"home", "config", "data", "cache", "run"})
            QDir().mkpath(root.filePath(folder));
        QFile::setPermissions(root.filePath("run"), QFileDevice::Permissions(0x7700));
        env.remove("DBUS_SESSION_BUS_ADDRESS");
        env.insert("HOME", root.filePath("home"));
        env.insert("XDG_CONFIG_HOME", root.filePath("config"));
        env.insert("XDG_DATA_HOME", root.filePath("data"));
        env.insert("XDG_CACHE_HOME", root.filePath("cache"));
        env.insert("XDG_RUNTIME_DIR", root.filePath("run"));
        env.insert("LANG", "C.UTF-8");
        for (const char *variable : {"LC_ALL", "LANGUAGE", "QT_PLUGIN_PATH", "LD_LIBRARY_PATH",
                 "QT_IM_MODULE", "XMODIFIERS", "IBUS_ADDRESS", "GTK_IM_MODULE"})
            env.remove(variable);
        // Settings go to a file in the private folders, not to the machine's dconf.
        env.insert("GSETTINGS_BACKEND", "keyfile");

        write("bus.conf",
            "<busconfig><type>session</type><listen>unix:dir=" + root.filePath("run").toUtf8()
                + "</listen><policy context=\"default\"><allow send_destination=\"*\"/>"
                  "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>");
        bus.start("dbus-daemon",
            {"--config-file=" + root.filePath("bus.conf"), "--nofork", "--print-address=1"});
        if (bus.waitForReadyRead(10000))
            env.insert("DBUS_SESSION_BUS_ADDRESS", QString::fromUtf8(bus.readLine().trimmed()));
    }

    ~PrivateSession()
    {
        for (auto it = programs.rbegin(); it != programs.rend(); ++it) {
            if (!it->stopCommand.isEmpty())
                run(it->stopCommand);
            stop(*it->process);
        }
        // What those programs started ends with them; their folders go only once it has.
        if (!waitUntil([this] { return processes().isEmpty(); }, 5000)) {
            for (const pid_t pid : processes())
                ::kill(pid, SIGKILL);
        }
        stop(bus);
    }

    bool hasBus() const { return env.contains("DBUS_SESSION_BUS_ADDRESS"); }

    // Writes a file below the user's configuration folder.
    void writeConfig(const QString &relative, const QByteArray &text) const
    {
        write("config/" + relative, text);
    }

    // Starts a program of this user that runs until the session ends, then `stopCommand` (if
    // any) asks it to end before it is terminated.
    void start(
        const QString &program, const QStringList &arguments, const QStringList &stopCommand = {})
    {
        programs.push_back({std::make_unique<QProcess>(), stopCommand});
        QProcess &process = *programs.back().process;
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, arguments);
    }

    // Runs a command of this user to its end: its standard output, trimmed.
    QByteArray run(const QStringList &command) const
    {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(command.first(), command.mid(1));
        process.waitForFinished(15000);
        return process.readAllStandardOutput().trimmed();
    }

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();

private:
    struct Program
    {
        std::unique_ptr<QProcess> process;
        QStringList stopCommand;
    };

    void write(const QString &relative, const QByteArray &text) const
    {
        const QString path = root.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(text);
    }

    // The processes that run for this user, whoever started them: those with its runtime folder.
    QList<pid_t> processes() const
    {
        const QByteArray mark = "XDG_RUNTIME_DIR=" + root.filePath("run").toUtf8();
        QList<pid_t> found;
        for (const QString &entry : QDir("/proc").entryList(QDir::Dirs)) {
            QFile environ("/proc/" + entry + "/environ");
            if (entry.toInt() > 0 && environ.open(QIODevice::ReadOnly)
                && environ.readAll().split('\0').contains(mark))
                found << entry.toInt();
        }
        return found;
    }

    static void stop(QProcess &process)
    {
        process.terminate();
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished();
        }
    }

    QTemporaryDir root;
    QProcess bus;
    std::vector<Program> programs;
};

// Starts the bundle's installer for `session` with the input method module `module`, waits for its
// window and empties the folder box, which has the focus.
std::unique_ptr<Installer> startInstaller(const PrivateSession &session, const QString &module)
{
    QProcessEnvironment env = session.env;
    env.insert("QT_IM_MODULE", module);
    env.insert("XMODIFIERS", "@im=" + module);
    auto installer = std::make_unique<Installer>(
        qEnvironmentVariable("VEXA_E2E_BUNDLE") + "/install", env, Installer::Network::Shared);
    if (!installer->findWindow())
        return nullptr;
    installer->click(pathBox);
    run({"xdotool", "key", "ctrl+a", "BackSpace"});
    return installer;
}

// Types pinyin for 你好 and a space, which takes the first candidate; what the box holds then.
QByteArray typeNihao()
{
    run({"xdotool", "type", "--delay", "60", "nihao"});
    run({"xdotool", "key", "space"});
    QByteArray text;
    waitUntil([&] { return (text = Installer::focusedBoxText()) == "你好"; }, 5000);
    return text;
}

// The installer loaded the input method plugin `plugin` from the bundle, and no library built for
// Qt 6 (Qt's own, fcitx5's) from elsewhere.
void expectBundlePluginOnly(const Installer &installer, const QString &plugin)
{
    QFile maps(QStringLiteral("/proc/%1/maps").arg(installer.process.processId()));
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    const QString bundle = qEnvironmentVariable("VEXA_E2E_BUNDLE") + '/';
    const QStringList lines = QString::fromUtf8(maps.readAll()).split('\n');
    EXPECT_FALSE(lines.filter(bundle + "plugins/platforminputcontexts/" + plugin).isEmpty())
        << plugin.toStdString() << " is not loaded from the bundle";
    QStringList elsewhere;
    for (const QString &line : lines.filter("Qt6")) {
        const QString file = line.mid(line.indexOf('/'));
        if (!file.startsWith(bundle) && !elsewhere.contains(file))
            elsewhere << file;
    }
    EXPECT_TRUE(elsewhere.isEmpty()) << elsewhere.join(", ").toStdString();
}

TEST(InstallerInputMethodE2E, Fcitx5PinyinTypesChineseIntoTheFolderBox)
{
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("VEXA_E2E_BUNDLE"));
    PrivateSession session;
    ASSERT_TRUE(session.hasBus());
    // One group: the US keyboard, then pinyin, which Ctrl+Space switches on.
    session.writeConfig("fcitx5/profile",
        "[Groups/0]\nName=Default\nDefault Layout=us\nDefaultIM=pinyin\n\n"
        "[Groups/0/Items/0]\nName=keyboard-us\nLayout=\n\n"
        "[Groups/0/Items/1]\nName=pinyin\nLayout=\n\n"
        "[GroupOrder]\n0=Default\n");
    session.start("fcitx5", {});
    // fcitx5-remote tells the state of the focused input context: 0 none, 1 off, 2 on.
    ASSERT_TRUE(waitUntil([&] { return session.run({"fcitx5-remote"}) == "0"; }, 20000))
        << "fcitx5 did not come up";

    const auto installer = startInstaller(session, "fcitx");
    ASSERT_TRUE(installer);
    ASSERT_TRUE(waitUntil([&] { return session.run({"fcitx5-remote"}) == "1"; }, 10000))
        << "the folder box has no fcitx5 input context";
    run({"xdotool", "key", "ctrl+space"});
    ASSERT_TRUE(waitUntil(
        [&] {
            return session.run({"fcitx5-remote", "-n"}) == "pinyin";
        },
        10000))
        << "Ctrl+Space did not switch pinyin on";
    EXPECT_EQ(typeNihao(), "你好");
    expectBundlePluginOnly(*installer, "libfcitx5platforminputcontextplugin.so");
}

// The input context that has the focus in the IBus daemon of `session`.
QByteArray focusedIBusContext(const PrivateSession &session)
{
    const QString address = QString::fromUtf8(session.run({"ibus", "address"}));
    return session.run({"gdbus", "call", "--address", address, "--dest", "org.freedesktop.IBus",
        "--object-path", "/org/freedesktop/IBus", "--method", "org.freedesktop.DBus.Properties.Get",
        "org.freedesktop.IBus", "CurrentInputContext"});
}

TEST(InstallerInputMethodE2E, IBusLibpinyinTypesChineseIntoTheFolderBox)
{
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("VEXA_E2E_BUNDLE"));
    PrivateSession session;
    ASSERT_TRUE(session.hasBus());
    // The panel switches to the first preloaded engine and keeps it (an engine set by hand would
    // be reset to the keyboard layout's).
    session.writeConfig(
        "glib-2.0/settings/keyfile", "[desktop/ibus/general]\npreload-engines=['libpinyin']\n");
    // Asked to end, the daemon ends its panel and engine with it.
    session.start("ibus-daemon", {"--emoji-extension=disable"}, {"ibus", "exit"});
    ASSERT_TRUE(waitUntil(
        [&] {
            return session.run({"ibus", "engine"}) == "libpinyin";
        },
        20000))
        << "IBus did not come up with libpinyin";
    const QByteArray before = focusedIBusContext(session);
    ASSERT_FALSE(before.isEmpty()) << "no answer from the IBus daemon";

    const auto installer = startInstaller(session, "ibus");
    ASSERT_TRUE(installer);
    ASSERT_TRUE(waitUntil([&] { return focusedIBusContext(session) != before; }, 10000))
        << "the folder box has no IBus input context";
    EXPECT_EQ(typeNihao(), "你好");
    expectBundlePluginOnly(*installer, "libibusplatforminputcontextplugin.so");
}

} // namespace
