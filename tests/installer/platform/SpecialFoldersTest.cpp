// SpecialFolders: where "AppData" and "desktop" are, and that they exist.
#include "PlatformTest.h"
#include "platform/Shell.h"

#include <QFileInfo>

#include <optional>

using platform::Shell;

class PlatformSpecialFoldersTest : public PlatformTest
{
protected:
    void SetUp() override
    {
        PlatformTest::SetUp();
        for (const char *name : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME"})
            m_saved.emplace_back(name,
                qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
        mkdirAt(m_home);
        mkdirAt("config");
        qputenv("HOME", QFile::encodeName(at(m_home)));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(at("config")));
        qunsetenv("XDG_DATA_HOME");
    }

    void TearDown() override
    {
        for (const auto &[name, value] : m_saved)
            value ? qputenv(name, *value) : qunsetenv(name);
    }

    // Where SpecialFolders() says `name` is; it must exist as a folder.
    QString folder(const char *name)
    {
        const QString path = Shell().SpecialFolders(name);
        EXPECT_TRUE(QFileInfo(path).isDir()) << name;
        return path;
    }

    const QString m_home = "家 目录";
    std::vector<std::pair<const char *, std::optional<QByteArray>>> m_saved;
};

// AppData: XDG_DATA_HOME, else under the home; desktop: where xdg-user-dirs
// puts it, else under the home. Both are created.
TEST_F(PlatformSpecialFoldersTest, FoldersAreWhereXdgPutsThemAndExist)
{
    EXPECT_EQ(folder("AppData"), at("家 目录/.local/share"));
    EXPECT_EQ(modeOf(at("家 目录/.local/share")), 0700u);
    qputenv("XDG_DATA_HOME", QFile::encodeName(at("数据/")));
    EXPECT_EQ(folder("appdata"), at("数据"));
    qputenv("XDG_DATA_HOME", "relative/data"); // not a valid XDG setting
    EXPECT_EQ(folder("AppData"), at("家 目录/.local/share"));

    EXPECT_EQ(folder("desktop"), at("家 目录/Desktop"));
    put("config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/桌面\"\n");
    EXPECT_EQ(folder("Desktop"), at("家 目录/桌面"));
}

TEST_F(PlatformSpecialFoldersTest, FailsOnUnknownNameAndUncreatableFolder)
{
    EXPECT_RAISES(
        Shell().SpecialFolders("Programs"), InvalidArgument, "SpecialFolders", "Programs");
    const Mount readOnly(at(m_home));
    SKIP_UNLESS_MOUNTED(readOnly);
    EXPECT_RAISES(Shell().SpecialFolders("desktop"), PermissionDenied, "SpecialFolders", "Desktop");
    EXPECT_RAISES(
        Shell().SpecialFolders("AppData"), PermissionDenied, "SpecialFolders", ".local/share");
}
