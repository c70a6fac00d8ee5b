// SpecialFolders: where "AppData" and "desktop" are, and that they exist.
#include "PlatformTest.h"
#include "platform/Shell.h"

#include <QDir>
#include <QFileInfo>

#include <optional>

using platform::PlatformError;
using platform::Shell;
using namespace testsupport;

class PlatformSpecialFoldersTest : public PlatformTest
{
protected:
    void SetUp() override
    {
        PlatformTest::SetUp();
        for (const char *name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME"})
            m_saved.emplace_back(name,
                qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
        QDir().mkpath(m_home);
        QDir().mkpath(at(QStringLiteral("config")));
        qputenv("HOME", QFile::encodeName(m_home));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(at(QStringLiteral("config"))));
        qunsetenv("XDG_DATA_HOME");
    }

    void TearDown() override
    {
        for (const auto &[name, value] : m_saved)
            value ? qputenv(name, *value) : qunsetenv(name);
    }

    const QString m_home = at(QStringLiteral("家 目录"));
    std::vector<std::pair<const char *, std::optional<QByteArray>>> m_saved;
};

TEST_F(PlatformSpecialFoldersTest, AppDataIsXdgDataHomeElseUnderHome)
{
    const QString fallback = m_home + QStringLiteral("/.local/share");
    EXPECT_EQ(Shell().SpecialFolders(QStringLiteral("AppData")), fallback);
    EXPECT_TRUE(QFileInfo(fallback).isDir());
    EXPECT_EQ(modeOf(fallback), 0700u);

    qputenv("XDG_DATA_HOME", QFile::encodeName(at(QStringLiteral("数据/"))));
    EXPECT_EQ(Shell().SpecialFolders(QStringLiteral("appdata")), at(QStringLiteral("数据")));
    EXPECT_TRUE(QFileInfo(at(QStringLiteral("数据"))).isDir());

    qputenv("XDG_DATA_HOME", "relative/data"); // not a valid XDG setting
    EXPECT_EQ(Shell().SpecialFolders(QStringLiteral("AppData")), fallback);
}

TEST_F(PlatformSpecialFoldersTest, DesktopIsCreatedWhereXdgUserDirsPutIt)
{
    EXPECT_EQ(
        Shell().SpecialFolders(QStringLiteral("desktop")), m_home + QStringLiteral("/Desktop"));
    EXPECT_TRUE(QFileInfo(m_home + QStringLiteral("/Desktop")).isDir());

    writeAll(at(QStringLiteral("config/user-dirs.dirs")),
        QStringLiteral("XDG_DESKTOP_DIR=\"$HOME/桌面\"\n").toUtf8());
    EXPECT_EQ(Shell().SpecialFolders(QStringLiteral("Desktop")), m_home + QStringLiteral("/桌面"));
    EXPECT_TRUE(QFileInfo(m_home + QStringLiteral("/桌面")).isDir());
}

TEST_F(PlatformSpecialFoldersTest, FailsOnUnknownNameAndUncreatableFolder)
{
    EXPECT_PLATFORM_ERROR(Shell().SpecialFolders(QStringLiteral("Programs")),
        PlatformError::InvalidArgument, "SpecialFolders", "Programs");
    const Mount readOnly(m_home);
    SKIP_UNLESS_MOUNTED(readOnly);
    EXPECT_PLATFORM_ERROR(Shell().SpecialFolders(QStringLiteral("desktop")),
        PlatformError::PermissionDenied, "SpecialFolders", "Desktop");
    EXPECT_PLATFORM_ERROR(Shell().SpecialFolders(QStringLiteral("AppData")),
        PlatformError::PermissionDenied, "SpecialFolders", ".local/share");
}
