// DeleteFolder: whole trees with read-only parts go, and nothing outside the
// tree is touched through a symbolic link or a mount inside it.
#include "PlatformTest.h"
#include "platform/FileSystem.h"

#include <QDir>
#include <QFileInfo>

using platform::FileSystem;
using platform::PlatformError;
using namespace testsupport;

class PlatformDeleteFolderTest : public PlatformTest
{
protected:
    // outside/ with canaries, read-only so that a walk through a link would
    // have to open them up; base/ with read-only files and folders.
    void SetUp() override
    {
        PlatformTest::SetUp();
        QDir().mkpath(at(QStringLiteral("outside/kept")));
        writeAll(at(QStringLiteral("outside/canary.txt")), "alive");
        writeAll(at(QStringLiteral("outside/kept/canary.txt")), "alive");
        chmodAt(QStringLiteral("outside/canary.txt"), 0444);
        chmodAt(QStringLiteral("outside/kept"), 0555);

        QDir().mkpath(at(QStringLiteral("base/S/R")));
        QDir().mkpath(at(QStringLiteral("base/只读 目录/内")));
        writeAll(at(QStringLiteral("base/vexa.exe")), "MZ");
        writeAll(at(QStringLiteral("base/只读 目录/内/文件")), "c");
        chmodAt(QStringLiteral("base/vexa.exe"), 0444);
        chmodAt(QStringLiteral("base/只读 目录/内/文件"), 0444);
        chmodAt(QStringLiteral("base/只读 目录/内"), 0555);
        chmodAt(QStringLiteral("base/只读 目录"), 0500);
        chmodAt(QStringLiteral("base/S"), 0);
    }

    void expectOutsideIntact()
    {
        EXPECT_EQ(readAll(at(QStringLiteral("outside/canary.txt"))), QByteArray("alive"));
        EXPECT_EQ(readAll(at(QStringLiteral("outside/kept/canary.txt"))), QByteArray("alive"));
        EXPECT_EQ(modeOf(at(QStringLiteral("outside/canary.txt"))), 0444u);
        EXPECT_EQ(modeOf(at(QStringLiteral("outside/kept"))), 0555u);
    }

    const QString m_base = at(QStringLiteral("base"));
};

TEST_F(PlatformDeleteFolderTest, ForceRemovesReadOnlyPartsButNoLinkTarget)
{
    linkAt("../outside", QStringLiteral("base/to-folder"));
    linkAt("../../outside/canary.txt", QStringLiteral("base/S/to-file"));
    linkAt(QFile::encodeName(at(QStringLiteral("outside/kept"))), QStringLiteral("base/absolute"));
    linkAt("nowhere", QStringLiteral("base/dangling"));
    FileSystem().DeleteFolder(m_base, true);
    EXPECT_EQ(entriesOf(m_root.path()), QStringList {QStringLiteral("outside")});
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

TEST_F(PlatformDeleteFolderTest, WithoutForceAReadOnlyFileIsRefused)
{
    chmodAt(QStringLiteral("base/S"), 0755);
    EXPECT_PLATFORM_ERROR(FileSystem().DeleteFolder(m_base, false), PlatformError::PermissionDenied,
        "DeleteFolder", "base/");
    EXPECT_EQ(readAll(at(QStringLiteral("base/只读 目录/内/文件"))), QByteArray("c"));
}

TEST_F(PlatformDeleteFolderTest, AFolderThatIsALinkLosesOnlyTheLink)
{
    // Also with a trailing separator, which names the link, not its target.
    for (const QString &given : {QStringLiteral("link"), QStringLiteral("link/")}) {
        linkAt("outside", QStringLiteral("link"));
        FileSystem().DeleteFolder(at(given), true);
        EXPECT_FALSE(QFileInfo(at(QStringLiteral("link"))).isSymLink());
        expectOutsideIntact();
    }
}

TEST_F(PlatformDeleteFolderTest, AMountInsideTheTreeIsNotEntered)
{
    QDir().mkdir(at(QStringLiteral("base/mounted")));
    const Mount other(at(QStringLiteral("base/mounted")), "size=64k");
    SKIP_UNLESS_MOUNTED(other);
    writeAll(at(QStringLiteral("base/mounted/canary.txt")), "alive");
    EXPECT_PLATFORM_ERROR(FileSystem().DeleteFolder(m_base, true), PlatformError::PermissionDenied,
        "DeleteFolder", "base/mounted");
    EXPECT_EQ(readAll(at(QStringLiteral("base/mounted/canary.txt"))), QByteArray("alive"));
}

TEST_F(PlatformDeleteFolderTest, FailsOnMissingFolderFileAndReadOnlyMount)
{
    FileSystem fs;
    const QString missing = at(QStringLiteral("missing"));
    EXPECT_PLATFORM_ERROR(
        fs.DeleteFolder(missing, true), PlatformError::PathNotFound, "DeleteFolder", missing);
    const QString file = at(QStringLiteral("outside/canary.txt"));
    EXPECT_PLATFORM_ERROR(
        fs.DeleteFolder(file, true), PlatformError::PathNotFound, "DeleteFolder", file);
    linkAt("outside/canary.txt", QStringLiteral("file-link"));
    EXPECT_PLATFORM_ERROR(fs.DeleteFolder(at(QStringLiteral("file-link")), true),
        PlatformError::PathNotFound, "DeleteFolder", "file-link");
    expectOutsideIntact();

    const Mount readOnly(m_base);
    SKIP_UNLESS_MOUNTED(readOnly);
    EXPECT_PLATFORM_ERROR(
        fs.DeleteFolder(m_base, true), PlatformError::PermissionDenied, "DeleteFolder", "base");
    EXPECT_EQ(readAll(at(QStringLiteral("base/vexa.exe"))), QByteArray("MZ"));
}
