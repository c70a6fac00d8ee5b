// Shortcut files, read back by two independent readers of the format.
#include "PlatformTest.h"
#include "ShortcutReaders.h"
#include "platform/Shell.h"
#include "platform/ShellLinkWriter.h"

#include <QFileInfo>

using platform::Shell;

class PlatformShortcutTest : public PlatformTest
{
protected:
    void SetUp() override
    {
        PlatformTest::SetUp();
        ASSERT_TRUE(shortcutReadersPresent());
    }

    static void save(const QString &file, const QString &target, const QString &icon)
    {
        const bool existed = QFileInfo::exists(file);
        platform::Shortcut shortcut = Shell().CreateShortcut(file);
        shortcut.setTargetPath(target);
        shortcut.setIconLocation(icon);
        EXPECT_EQ(QFileInfo::exists(file), existed); // nothing happens before Save
        shortcut.Save();
    }

    static void expectBothReaders(const QString &file, const QString &target, const QString &icon)
    {
        for (const ShortcutReadBack &read : {readWithLnkinfo(file), readWithExiftool(file)}) {
            EXPECT_EQ(read.target, target);
            EXPECT_EQ(read.icon, icon);
        }
    }
};

TEST_F(PlatformShortcutTest, BothReadersSeeTargetAndIconExactly)
{
    const QList<QStringList> cases = {
        {"VEXA.lnk", "/home/u/vexa/vexa.exe", "/home/u/vexa/favicon.ico"},
        {"windows.lnk", "D:\\Games\\vexa\\vexa.exe", "D:\\\\vexa\\favicon.ico"},
        {"快捷 方式.lnk", "/home/用户 名/安装 目录/vexa.exe",
            "/home/用户 名/安装 目录/favicon.ico"},
        {"latin.lnk", "C:\\Größe ü\\ｖｅｘａ\\vexa.exe", "/data//图标/ça.ico"},
        // Saved again over the first one.
        {"VEXA.lnk", "/新/vexa.exe", "/新/favicon.ico"},
    };
    for (const QStringList &c : cases) {
        SCOPED_TRACE(c.at(0).toStdString());
        save(at(c.at(0)), c.at(1), c.at(2));
        expectBothReaders(at(c.at(0)), c.at(1), c.at(2));
    }
    EXPECT_EQ(entries(), (QStringList {"VEXA.lnk", "latin.lnk", "windows.lnk", "快捷 方式.lnk"}));
}

TEST_F(PlatformShortcutTest, SaveFailuresKeepEarlierShortcut)
{
    const QString noFolder = at("missing/VEXA.lnk");
    EXPECT_RAISES(Shell().CreateShortcut(noFolder).Save(), PathNotFound, "Save", noFolder);
    platform::Shortcut bad = Shell().CreateShortcut(at("bad.lnk"));
    bad.setTargetPath(QString("/opt/vexa") + QChar(0) + "/vexa.exe");
    EXPECT_RAISES(bad.Save(), BadFileName, "Save", "bad.lnk");
    bad.setTargetPath("/opt/vexa/vexa.exe");
    bad.setIconLocation(QString(platform::ShellLinkWriter::MaxStringLength + 1, u'x'));
    EXPECT_RAISES(bad.Save(), InvalidArgument, "Save", "bad.lnk");
    EXPECT_TRUE(entries().isEmpty());

    mkdirAt("desktop");
    const QString file = at("desktop/VEXA.lnk");
    save(file, "/old/vexa.exe", "/old/favicon.ico");
    const Mount readOnly(at("desktop"));
    SKIP_UNLESS_MOUNTED(readOnly);
    EXPECT_RAISES(Shell().CreateShortcut(file).Save(), PermissionDenied, "Save", file);
    expectBothReaders(file, "/old/vexa.exe", "/old/favicon.ico");
}
