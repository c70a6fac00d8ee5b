// DeleteFolder: whole trees with read-only parts go, and nothing outside the
// tree is touched through a symbolic link or a mount inside it.
#include "PlatformTest.h"
#include "platform/FileSystem.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

using platform::FileSystem;
using platform::PlatformError;
using namespace testsupport;

class PlatformDeleteFolderTest : public PlatformTest
{
protected:
    void SetUp() override
    {
        PlatformTest::SetUp();
        QDir().mkpath(at(QStringLiteral("outside/kept")));
        writeAll(at(QStringLiteral("outside/canary.txt")), "alive");
        writeAll(at(QStringLiteral("outside/kept/canary.txt")), "alive");
    }

    // base/ with nested folders, a read-only file and a read-only folder.
    void makeTree()
    {
        QDir().mkpath(at(QStringLiteral("base/S/R")));
        QDir().mkpath(at(QStringLiteral("base/只读 目录/内")));
        writeAll(at(QStringLiteral("base/vexa.exe")), "MZ");
        writeAll(at(QStringLiteral("base/S/R/B")), "b");
        writeAll(at(QStringLiteral("base/只读 目录/内/文件")), "c");
        chmodAt(QStringLiteral("base/vexa.exe"), 0444);
        chmodAt(QStringLiteral("base/只读 目录/内/文件"), 0444);
        chmodAt(QStringLiteral("base/只读 目录/内"), 0555);
        chmodAt(QStringLiteral("base/只读 目录"), 0500);
        chmodAt(QStringLiteral("base/S"), 0);
    }

    void chmodAt(const QString &relative, mode_t mode)
    {
        ASSERT_EQ(::chmod(QFile::encodeName(at(relative)).constData(), mode), 0);
    }

    void link(const QByteArray &target, const QString &relative)
    {
        ASSERT_EQ(::symlink(target.constData(), QFile::encodeName(at(relative)).constData()), 0);
    }

    void expectOutsideIntact()
    {
        EXPECT_EQ(readAll(at(QStringLiteral("outside/canary.txt"))), QByteArray("alive"));
        EXPECT_EQ(readAll(at(QStringLiteral("outside/kept/canary.txt"))), QByteArray("alive"));
    }
};

TEST_F(PlatformDeleteFolderTest, ForceRemovesReadOnlyFilesAndFolders)
{
    makeTree();
    FileSystem().DeleteFolder(at(QStringLiteral("base")), true);
    EXPECT_EQ(entriesOf(m_root.path()), QStringList {QStringLiteral("outside")});
}

TEST_F(PlatformDeleteFolderTest, ForceRemovesReadOnlyTreeForItsUnprivilegedOwner)
{
    makeTree();
    giveToNobody(at(QStringLiteral("base")));
    // Nobody may remove base itself from the temporary folder.
    giveToNobody(m_root.path());
    const QString base = at(QStringLiteral("base"));
    EXPECT_EQ(runAsNobody([&] {
        FileSystem().DeleteFolder(base, true);
        return 0;
    }),
        0);
    EXPECT_FALSE(QFileInfo::exists(base));
}

TEST_F(PlatformDeleteFolderTest, WithoutForceAReadOnlyFileIsRefused)
{
    QDir().mkpath(at(QStringLiteral("base")));
    writeAll(at(QStringLiteral("base/locked")), "x");
    chmodAt(QStringLiteral("base/locked"), 0444);
    EXPECT_PLATFORM_ERROR(FileSystem().DeleteFolder(at(QStringLiteral("base")), false),
        PlatformError::PermissionDenied, "DeleteFolder", "base/locked");
    EXPECT_EQ(readAll(at(QStringLiteral("base/locked"))), QByteArray("x"));

    chmodAt(QStringLiteral("base/locked"), 0644);
    FileSystem().DeleteFolder(at(QStringLiteral("base")), false);
    EXPECT_FALSE(QFileInfo::exists(at(QStringLiteral("base"))));
}

TEST_F(PlatformDeleteFolderTest, LinksInsideTheTreeGoAndTheirTargetsStay)
{
    makeTree();
    link("../outside", QStringLiteral("base/to-folder"));
    link("../../outside/canary.txt", QStringLiteral("base/S/to-file"));
    link(QFile::encodeName(at(QStringLiteral("outside/kept"))), QStringLiteral("base/absolute"));
    link("nowhere", QStringLiteral("base/dangling"));
    // Read-only targets: a walk that went through a link would open them up.
    chmodAt(QStringLiteral("outside/kept"), 0555);
    chmodAt(QStringLiteral("outside/canary.txt"), 0444);

    FileSystem().DeleteFolder(at(QStringLiteral("base")), true);
    EXPECT_FALSE(QFileInfo::exists(at(QStringLiteral("base"))));
    expectOutsideIntact();
    EXPECT_EQ(modeOf(at(QStringLiteral("outside/kept"))), 0555u);
    EXPECT_EQ(modeOf(at(QStringLiteral("outside/canary.txt"))), 0444u);
}

TEST_F(PlatformDeleteFolderTest, AFolderThatIsALinkLosesOnlyTheLink)
{
    link("outside", QStringLiteral("base"));
    FileSystem().DeleteFolder(at(QStringLiteral("base")), true);
    EXPECT_FALSE(QFileInfo(at(QStringLiteral("base"))).isSymLink());
    expectOutsideIntact();

    // A trailing separator names the same link, not the folder behind it.
    link("outside", QStringLiteral("base"));
    FileSystem().DeleteFolder(at(QStringLiteral("base/")), true);
    EXPECT_FALSE(QFileInfo(at(QStringLiteral("base"))).isSymLink());
    expectOutsideIntact();
}

TEST_F(PlatformDeleteFolderTest, AMountInsideTheTreeIsNotEntered)
{
    QDir().mkpath(at(QStringLiteral("base/mounted")));
    writeAll(at(QStringLiteral("base/vexa.exe")), "MZ");
    const Mount other
        = Mount::tmpfs(at(QStringLiteral("base/mounted")), QStringLiteral("size=64k"));
    if (!other.ok())
        GTEST_SKIP() << "cannot mount a tmpfs: " << other.error().toStdString();
    writeAll(at(QStringLiteral("base/mounted/canary.txt")), "alive");

    EXPECT_PLATFORM_ERROR(FileSystem().DeleteFolder(at(QStringLiteral("base")), true),
        PlatformError::PermissionDenied, "DeleteFolder", "base/mounted");
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
    link("outside/canary.txt", QStringLiteral("file-link"));
    EXPECT_PLATFORM_ERROR(fs.DeleteFolder(at(QStringLiteral("file-link")), true),
        PlatformError::PathNotFound, "DeleteFolder", "file-link");

    makeTree();
    const Mount readOnly = Mount::readOnlyBind(at(QStringLiteral("base")));
    if (!readOnly.ok())
        GTEST_SKIP() << "cannot make a read-only mount: " << readOnly.error().toStdString();
    try {
        fs.DeleteFolder(at(QStringLiteral("base")), true);
        ADD_FAILURE() << "no error raised";
    } catch (const PlatformError &error) {
        EXPECT_EQ(error.number(), PlatformError::PermissionDenied) << error.what();
        EXPECT_TRUE(error.description().contains(QStringLiteral("DeleteFolder"))) << error.what();
    }
    EXPECT_EQ(readAll(at(QStringLiteral("base/vexa.exe"))), QByteArray("MZ"));
}
