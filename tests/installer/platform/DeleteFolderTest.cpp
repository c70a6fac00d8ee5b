// DeleteFolder: whole trees with read-only parts go, and nothing outside the
// tree is touched through a symbolic link or a mount inside it.
#include "PlatformTest.h"
#include "platform/FileSystem.h"

#include <QFileInfo>

using platform::FileSystem;

class PlatformDeleteFolderTest : public PlatformTest
{
protected:
    // outside/ with canaries, read-only so that a walk through a link would
    // have to open them up; base/ with read-only files and folders.
    void SetUp() override
    {
        PlatformTest::SetUp();
        mkdirAt("outside/kept");
        put("outside/canary.txt", "alive");
        put("outside/kept/canary.txt", "alive");
        chmodAt("outside/canary.txt", 0444);
        chmodAt("outside/kept", 0555);

        mkdirAt("base/S/R");
        mkdirAt("base/只读 目录/内");
        put("base/vexa.exe", "MZ");
        put("base/只读 目录/内/文件", "c");
        chmodAt("base/vexa.exe", 0444);
        chmodAt("base/只读 目录/内/文件", 0444);
        chmodAt("base/只读 目录/内", 0555);
        chmodAt("base/只读 目录", 0500);
        chmodAt("base/S", 0);
    }

    void expectOutsideIntact()
    {
        EXPECT_EQ(read("outside/canary.txt"), "alive");
        EXPECT_EQ(read("outside/kept/canary.txt"), "alive");
        EXPECT_EQ(modeOf(at("outside/canary.txt")), 0444u);
        EXPECT_EQ(modeOf(at("outside/kept")), 0555u);
    }

    const QString m_base = at("base");
};

TEST_F(PlatformDeleteFolderTest, ForceRemovesReadOnlyPartsButNoLinkTarget)
{
    linkAt("../outside", "base/to-folder");
    linkAt("../../outside/canary.txt", "base/S/to-file");
    linkAt(QFile::encodeName(at("outside/kept")), "base/absolute");
    linkAt("nowhere", "base/dangling");
    FileSystem().DeleteFolder(m_base, true);
    EXPECT_EQ(entries(), QStringList {"outside"});
    expectOutsideIntact();
}

TEST_F(PlatformDeleteFolderTest, ForceRemovesReadOnlyFoldersForTheirUnprivilegedOwner)
{
    giveToNobody(m_root.path());
    EXPECT_EQ(runAsNobody([&] {
        FileSystem().DeleteFolder(m_base, true);
        return 0;
    }),
        0);
    EXPECT_FALSE(QFileInfo::exists(m_base));
}

TEST_F(PlatformDeleteFolderTest, AFolderThatIsALinkLosesOnlyTheLink)
{
    // Also with a trailing separator, which names the link, not its target.
    for (const char *given : {"link", "link/"}) {
        linkAt("outside", "link");
        FileSystem().DeleteFolder(at(given), true);
        EXPECT_FALSE(QFileInfo(at("link")).isSymLink());
        expectOutsideIntact();
    }
}

TEST_F(PlatformDeleteFolderTest, RefusalsLeaveTheTreeAsItWas)
{
    FileSystem fs;
    linkAt("outside/canary.txt", "file-link");
    for (const char *notAFolder : {"missing", "outside/canary.txt", "file-link"})
        EXPECT_RAISES(
            fs.DeleteFolder(at(notAFolder), true), PathNotFound, "DeleteFolder", notAFolder);
    expectOutsideIntact();
    {
        const Mount readOnly(m_base);
        SKIP_UNLESS_MOUNTED(readOnly);
        EXPECT_RAISES(fs.DeleteFolder(m_base, true), PermissionDenied, "DeleteFolder", "base");
        EXPECT_EQ(read("base/vexa.exe"), "MZ");
    }
    // Without force a read-only file stays.
    chmodAt("base/S", 0755);
    EXPECT_RAISES(fs.DeleteFolder(m_base, false), PermissionDenied, "DeleteFolder", "base/");
    EXPECT_EQ(read("base/只读 目录/内/文件"), "c");

    // Nor is another file system mounted inside entered.
    mkdirAt("base/mounted");
    const Mount other(at("base/mounted"), "size=64k");
    SKIP_UNLESS_MOUNTED(other);
    put("base/mounted/canary.txt", "alive");
    EXPECT_RAISES(fs.DeleteFolder(m_base, true), PermissionDenied, "DeleteFolder", "base/mounted");
    EXPECT_EQ(read("base/mounted/canary.txt"), "alive");
}
