// Desktop entries and theme icons: the entry's exact text, every folder name started through the
// desktop's own launcher (gio) and accepted by desktop-file-validate, refused saves, icon
// conversion, trust. Modes and replacement: the installation run's tests.
#include "PlatformTest.h"
#include "platform/IconConverter.h"
#include "platform/Shell.h"

#include <QDeadlineTimer>
#include <QImage>
#include <QRegularExpression>
#include <QThread>

#include <optional>

using platform::DesktopEntry;
using platform::DesktopEntryWriter;
using platform::Shell;

namespace {

DesktopEntry entryFor(const QString &folder, const QString &icon = {})
{
    return {"VEXA", "VEXA即时通信", folder + "/vexa.exe", folder, icon, "Network;InstantMessaging;",
        {}};
}

// An entry through which KWin grants the program in `folder` its screenshot interface.
DesktopEntry grantFor(const QString &folder)
{
    DesktopEntry entry {"grant", {}, folder + "/vexa.exe", folder, {}, {}};
    entry.grantedInterface = "org.kde.KWin.ScreenShot2";
    return entry;
}

// Runs a tool to its end; its exit code, its output (both streams) in `output`.
int runTool(const QStringList &command, QByteArray &output, const QProcessEnvironment &env = {})
{
    QProcess process;
    if (!env.isEmpty())
        process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(command.first(), command.mid(1));
    if (!process.waitForFinished(30000))
        return -1;
    output = process.readAll();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

QImage pngImage(const QByteArray &png)
{
    return QImage::fromData(png, "PNG");
}

} // namespace

TEST(DesktopEntryWriterTest, WholeText)
{
    EXPECT_EQ(DesktopEntryWriter::build(entryFor("/opt/vexa", "vexa")).toStdString(),
        R"([Desktop Entry]
Type=Application
Name=VEXA
Name[zh_CN]=VEXA即时通信
Exec=sh -c "exec \\"\\$0\\"" "/opt/vexa/vexa.exe"
Path=/opt/vexa
Icon=vexa
Terminal=false
Categories=Network;InstantMessaging;
)");
    EXPECT_EQ(DesktopEntryWriter::build(grantFor("/opt/安装 目录")).toStdString(),
        R"([Desktop Entry]
Type=Application
Name=grant
Exec="/opt/安装 目录/vexa.exe"
Path=/opt/安装 目录
Terminal=false
NoDisplay=true
X-KDE-DBUS-Restricted-Interfaces=org.kde.KWin.ScreenShot2
)");
}

class DesktopEntryLaunchTest : public PlatformTest
{
};

TEST_F(DesktopEntryLaunchTest, AnActionHasAGroupOfItsOwnAndTheEntryStillValidates)
{
    DesktopEntry entry = entryFor(at("安装 目录"), "vexa");
    entry.actions = {{"uninstall", "卸载 VEXA", at("安装 目录") + "/uninstall"}};
    Shell().SaveDesktopEntry(at("vexa.desktop"), entry, false);
    const QString text = QString::fromUtf8(read("vexa.desktop"));
    EXPECT_TRUE(text.contains("\nCategories=Network;InstantMessaging;\nActions=uninstall;\n\n"
                              "[Desktop Action uninstall]\nName=卸载 VEXA\nExec="
        + DesktopEntryWriter::execValue(at("安装 目录") + "/uninstall") + "\n"))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith("/uninstall\"\n"));
    QByteArray output;
    EXPECT_EQ(runTool({"desktop-file-validate", at("vexa.desktop")}, output), 0)
        << output.toStdString();
    EXPECT_EQ(output.toStdString(), "") << "warnings";

    entry.actions[0].program = QString("/opt") + QChar(0) + "x";
    EXPECT_RAISES(Shell().SaveDesktopEntry(at("nul.desktop"), entry, false), BadFileName, "Save",
        "nul.desktop");
}

TEST_F(DesktopEntryLaunchTest, EveryFolderNameValidatesAndStartsTheProgramInItsFolder)
{
    // Folder name; its quoted form in Exec= and its form in Path=, as they stand in the file.
    const QList<QStringList> cases = {
        {"a b", R"("%1/a b/vexa.exe")", "%1/a b"},
        {"安装 目录", R"("%1/安装 目录/vexa.exe")", "%1/安装 目录"},
        {R"(q"q)", R"("%1/q\\"q/vexa.exe")", R"(%1/q"q)"},
        {"$HOME", R"("%1/\\$HOME/vexa.exe")", "%1/$HOME"},
        {"%f %%", R"("%1/%%f %%%%/vexa.exe")", "%1/%f %%"},
        {"a=b", R"("%1/a=b/vexa.exe")", "%1/a=b"},
        {R"(b\s\)", R"("%1/b\\\\s\\\\/vexa.exe")", R"(%1/b\\s\\)"},
        {"`id`", R"("%1/\\`id\\`/vexa.exe")", "%1/`id`"},
        {"it's", R"("%1/it's/vexa.exe")", "%1/it's"},
        {"~#;&|<>()*?", R"("%1/~#;&|<>()*?/vexa.exe")", "%1/~#;&|<>()*?"},
    };
    // The program records the folder it runs in and the path it was started by.
    const QString record = at("record.txt");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("VEXA_TEST_RECORD", record);
    env.insert("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    for (const QStringList &c : cases) {
        SCOPED_TRACE(c.at(0).toStdString());
        const QString folder = at(c.at(0));
        mkdirAt(c.at(0));
        put(c.at(0) + "/vexa.exe",
            "#!/bin/sh\nprintf '%s\\n%s\\n' \"$(pwd -P)\" \"$0\" > "
            "\"$VEXA_TEST_RECORD\"\n");
        chmodAt(c.at(0) + "/vexa.exe", 0755);
        const QString file = at("vexa.desktop");
        Shell().SaveDesktopEntry(file, entryFor(folder), true);
        const QString grant = at("grant.desktop");
        Shell().SaveDesktopEntry(grant, grantFor(folder), false);

        const QList<QByteArray> lines = read("vexa.desktop").split('\n');
        // The root holds no reserved character, so it stands as it is.
        const QString quoted = c.at(1).arg(m_root.path().replace('%', "%%"));
        EXPECT_EQ(
            lines.at(4).toStdString(), (R"(Exec=sh -c "exec \\"\\$0\\"" )" + quoted).toStdString());
        EXPECT_EQ(lines.at(5).toStdString(), ("Path=" + c.at(2).arg(m_root.path())).toStdString());
        const QByteArray grantExec = read("grant.desktop").split('\n').at(3);
        EXPECT_EQ(grantExec.toStdString(), ("Exec=" + quoted).toStdString());
        for (const QString &entry : {file, grant}) {
            QByteArray output;
            EXPECT_EQ(runTool({"desktop-file-validate", entry}, output), 0) << output.toStdString();
            EXPECT_EQ(output.toStdString(), "") << "warnings";
        }

        // A launcher starts both, except the grant's where a "%" stands in its first word.
        for (const QString &entry : {file, grant}) {
            if (entry == grant && c.at(0).contains('%'))
                continue;
            QFile::remove(record);
            QByteArray output;
            ASSERT_EQ(runTool({"gio", "launch", entry}, output, env), 0) << output.toStdString();
            const auto recorded = [&] {
                return QFileInfo::exists(record) ? read("record.txt") : "";
            };
            const QDeadlineTimer deadline(20000);
            while (recorded().count('\n') < 2 && !deadline.hasExpired())
                QThread::msleep(20);
            EXPECT_EQ(
                recorded().toStdString(), (folder + '\n' + folder + "/vexa.exe\n").toStdString());
        }
        // KWin splits Exec= at blanks outside double quotes, keeping backslashes and "%%": it
        // finds the program unless one of those stands in the name.
        if (!c.at(0).contains(QRegularExpression(R"([%"`$\\])"))) {
            EXPECT_EQ(QProcess::splitCommand(QString::fromUtf8(grantExec.mid(5))),
                QStringList {folder + "/vexa.exe"});
        }
    }
}

TEST_F(DesktopEntryLaunchTest, SaveRefusesANulCharacterAndAFileForAFolder)
{
    const QString nul = QString("/opt") + QChar(0) + "x";
    EXPECT_RAISES(Shell().SaveDesktopEntry(at("v.desktop"), entryFor(nul), false), BadFileName,
        "Save", "v.desktop");
    put("plain", "x");
    EXPECT_RAISES(Shell().SaveDesktopEntry(at("plain/v.desktop"), entryFor("/x"), false),
        PathNotFound, "Save", "plain");
    EXPECT_EQ(entries(), QStringList {"plain"});
}

TEST_F(DesktopEntryLaunchTest, IconIsTheLargestImageAtAThemeSize)
{
    // 16, 48 and 24 pixels in that order; a picture 40 by 20; the demo package's icon.
    QByteArray output;
    ASSERT_EQ(runTool({"convert", "-size", "48x48", "gradient:red-blue", "-define",
                          "icon:auto-resize=16,48,24", at("multi.ico")},
                  output),
        0)
        << output.toStdString();
    QImage wide(40, 20, QImage::Format_ARGB32);
    wide.fill(Qt::green);
    ASSERT_TRUE(wide.save(at("wide.png")));

    const std::optional<platform::PngIcon> multi = platform::largestIconAsPng(read("multi.ico"));
    ASSERT_TRUE(multi);
    EXPECT_EQ(multi->size, 48);
    EXPECT_EQ(pngImage(multi->png).size(), QSize(48, 48));
    EXPECT_EQ(pngImage(multi->png).pixelColor(24, 0).red(), 255); // the gradient's top, whole

    const std::optional<platform::PngIcon> scaled = platform::largestIconAsPng(read("wide.png"));
    ASSERT_TRUE(scaled);
    EXPECT_EQ(scaled->size, 32);
    const QImage square = pngImage(scaled->png);
    EXPECT_EQ(square.size(), QSize(32, 32));
    EXPECT_EQ(square.pixelColor(16, 16), QColor(Qt::green));
    EXPECT_EQ(square.pixelColor(16, 2).alpha(), 0);

    EXPECT_FALSE(platform::largestIconAsPng("not an icon"));
    EXPECT_FALSE(platform::largestIconAsPng({}));

    // Saved into the theme; a missing or unreadable file writes nothing.
    EXPECT_EQ(Shell().SaveThemeIcon(QStringLiteral(DEMO_ICON), at("data"), "vexa"),
        at("data/icons/hicolor/32x32/apps/vexa.png"));
    EXPECT_EQ(QImage(at("data/icons/hicolor/32x32/apps/vexa.png"), "PNG").size(), QSize(32, 32));
    put("broken.ico", "\0\0\1\0garbage");
    EXPECT_FALSE(Shell().SaveThemeIcon(at("broken.ico"), at("other"), "vexa"));
    EXPECT_FALSE(Shell().SaveThemeIcon(at("missing.ico"), at("other"), "vexa"));
    EXPECT_FALSE(QFileInfo::exists(at("other")));
}

TEST_F(DesktopEntryLaunchTest, MarkTrustedAsksGioAndIgnoresItsFailure)
{
    // Stand-ins for gio on the front of PATH: one records its arguments, one fails.
    const QByteArray path = qgetenv("PATH");
    mkdirAt("bin");
    qputenv("PATH", QFile::encodeName(at("bin")) + ':' + path);
    put("bin/gio", "#!/bin/sh\nprintf '%s|' \"$@\" > \"$(dirname \"$0\")/args\"\n");
    chmodAt("bin/gio", 0755);
    Shell().MarkTrusted(at("a b/vexa.desktop"));
    EXPECT_EQ(read("bin/args").toStdString(),
        ("set|" + at("a b/vexa.desktop") + "|metadata::trusted|true|").toStdString());

    put("bin/gio", "#!/bin/sh\necho 'not supported' >&2\nexit 1\n");
    EXPECT_NO_THROW(Shell().MarkTrusted(at("vexa.desktop")));
    qputenv("PATH", path);
}
