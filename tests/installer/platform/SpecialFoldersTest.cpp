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
        for (const char *name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME"}) {
            m_saved.emplace_back(name,
                qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
        }
        QDir().mkpath(at(QStringLiteral("家 目录")));
        QDir().mkpath(at(QStringLiteral("config")));
        qputenv("HOME", QFile::encodeName(at(QStringLiteral("家 目录"))));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(at(QStringLiteral("config"))));
        qunsetenv("XDG_DATA_HOME");
    }

    void TearDown() override
    {
        for (const auto &[name, value] : m_saved) {
            if (value)
                qputenv(name, *value);
            else
                qunsetenv(name);
        }
    }

    std::vector<std::pair<const char *, std::optional<QByteArray>>> m_saved;
};

TEST_F(PlatformSpecialFoldersTest, AppDataFollowsXdgDataHomeElseHome)
{
    const QString fallback = at(QStringLiteral("家 目录/.local/share"));
    EXPECT_EQ(Shell().SpecialFolders(QStringLiteral("AppData")), fallback);
    EXPECT_TRUE(QFileInfo(fallback).isDir());
    EXPECT_EQ(modeOf(fallback), 0700u);

    QDir().mkpath(at(QStringLiteral("数据")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(at(QStringLiteral("数据/"))));
    EXPECT_EQ(Shell().SpecialFolders(QStringLiteral("appdata")), at(QStringLiteral("数据")));

    // Relative values are not valid XDG settings.
    qputenv("XDG_DATA_HOME", "relative/data");
    EXPECT_EQ(Shell().SpecialFolders(QStringLiteral("AppData")), fallback);
}

TEST_F(PlatformSpecialFoldersTest, DesktopIsCreatedWhereXdgUserDirsPutIt)
{
    const QString plain = at(QStringLiteral("家 目录/Desktop"));
    EXPECT_EQ(Shell().SpecialFolders(QStringLiteral("desktop")), plain);
    EXPECT_TRUE(QFileInfo(plain).isDir());

    writeAll(at(QStringLiteral("config/user-dirs.dirs")),
        QByteArray("XDG_DESKTOP_DIR=\"$HOME/\xE6\xA1\x8C\xE9\x9D\xA2\"\n"));
    const QString localised = at(QStringLiteral("家 目录/桌面"));
    EXPECT_EQ(Shell().SpecialFolders(QStringLiteral("Desktop")), localised);
    EXPECT_TRUE(QFileInfo(localised).isDir());
}

TEST_F(PlatformSpecialFoldersTest, FailsOnUnknownNameAndUncreatableFolder)
{
    EXPECT_PLATFORM_ERROR(Shell().SpecialFolders(QStringLiteral("Programs")),
        PlatformError::InvalidArgument, "SpecialFolders", "Programs");

    const Mount readOnly = Mount::readOnlyBind(at(QStringLiteral("家 目录")));
    if (!readOnly.ok())
        GTEST_SKIP() << "cannot make a read-only mount: " << readOnly.error().toStdString();
    EXPECT_PLATFORM_ERROR(Shell().SpecialFolders(QStringLiteral("desktop")),
        PlatformError::PermissionDenied, "SpecialFolders", "Desktop");
    EXPECT_PLATFORM_ERROR(Shell().SpecialFolders(QStringLiteral("AppData")),
        PlatformError::PermissionDenied, "SpecialFolders", ".local/share");
}
