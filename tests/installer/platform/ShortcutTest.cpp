// Shortcut files, read back by two independent readers of the format (see ShortcutReaders.h).
#include "PlatformTest.h"
#include "ShortcutReaders.h"
#include "platform/Shell.h"
#include "platform/ShellLinkWriter.h"

#include <QDir>
#include <QFileInfo>

using platform::PlatformError;
using platform::Shell;
using namespace testsupport;

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
        platform::Shortcut shortcut = Shell().CreateShortcut(file);
        shortcut.setTargetPath(target);
        shortcut.setIconLocation(icon);
        EXPECT_FALSE(QFileInfo::exists(file)); // nothing before Save
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
        {QStringLiteral("VEXA.lnk"), QStringLiteral("/home/u/vexa/vexa.exe"),
            QStringLiteral("/home/u/vexa/favicon.ico")},
        {QStringLiteral("windows.lnk"), QStringLiteral("D:\\Games\\vexa\\vexa.exe"),
            QStringLiteral("D:\\\\vexa\\favicon.ico")},
        {QStringLiteral("快捷 方式.lnk"), QStringLiteral("/home/用户 名/安装 目录/vexa.exe"),
            QStringLiteral("/home/用户 名/安装 目录/favicon.ico")},
        {QStringLiteral("latin.lnk"), QStringLiteral("C:\\Größe ü\\ｖｅｘａ\\vexa.exe"),
            QStringLiteral("/data//图标/ça.ico")},
    };
    for (const QStringList &c : cases) {
        SCOPED_TRACE(c.at(0).toStdString());
        save(at(c.at(0)), c.at(1), c.at(2));
        expectBothReaders(at(c.at(0)), c.at(1), c.at(2));
    }
}

TEST_F(PlatformShortcutTest, SaveReplacesAnEarlierShortcut)
{
    const QString file = at(QStringLiteral("VEXA.lnk"));
    save(file, QStringLiteral("/old/vexa.exe"), QStringLiteral("/old/favicon.ico"));
    platform::Shortcut shortcut = Shell().CreateShortcut(file);
    shortcut.setTargetPath(QStringLiteral("/新/vexa.exe"));
    shortcut.setIconLocation(QStringLiteral("/新/favicon.ico"));
    shortcut.Save();
    expectBothReaders(file, QStringLiteral("/新/vexa.exe"), QStringLiteral("/新/favicon.ico"));
    EXPECT_EQ(entriesOf(m_root.path()), QStringList {QStringLiteral("VEXA.lnk")});
}

TEST_F(PlatformShortcutTest, SaveFailuresKeepEarlierShortcut)
{
    const QString noFolder = at(QStringLiteral("missing/VEXA.lnk"));
    EXPECT_PLATFORM_ERROR(
        Shell().CreateShortcut(noFolder).Save(), PlatformError::PathNotFound, "Save", noFolder);
    platform::Shortcut bad = Shell().CreateShortcut(at(QStringLiteral("bad.lnk")));
    bad.setTargetPath(QStringLiteral("/opt/vexa") + QChar(0) + QStringLiteral("/vexa.exe"));
    EXPECT_PLATFORM_ERROR(bad.Save(), PlatformError::BadFileName, "Save", "bad.lnk");
    bad.setTargetPath(QStringLiteral("/opt/vexa/vexa.exe"));
    bad.setIconLocation(QString(platform::ShellLinkWriter::MaxStringLength + 1, u'x'));
    EXPECT_PLATFORM_ERROR(bad.Save(), PlatformError::InvalidArgument, "Save", "bad.lnk");
    EXPECT_TRUE(entriesOf(m_root.path()).isEmpty());

    QDir().mkdir(at(QStringLiteral("desktop")));
    const QString file = at(QStringLiteral("desktop/VEXA.lnk"));
    save(file, QStringLiteral("/old/vexa.exe"), QStringLiteral("/old/favicon.ico"));
    const Mount readOnly(at(QStringLiteral("desktop")));
    SKIP_UNLESS_MOUNTED(readOnly);
    EXPECT_PLATFORM_ERROR(
        Shell().CreateShortcut(file).Save(), PlatformError::PermissionDenied, "Save", file);
    expectBothReaders(file, QStringLiteral("/old/vexa.exe"), QStringLiteral("/old/favicon.ico"));
}
