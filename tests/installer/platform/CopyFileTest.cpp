// CopyFile: content, permission bits, replacement, and that no failure ever
// damages an earlier destination file or leaves a temporary file.
#include "PlatformTest.h"
#include "platform/FileSystem.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

using platform::FileSystem;
using platform::PlatformError;
using namespace testsupport;

class PlatformCopyFileTest : public PlatformTest
{
protected:
    void SetUp() override
    {
        PlatformTest::SetUp();
        QDir().mkdir(at(QStringLiteral("base")));
        QDir().mkdir(at(QStringLiteral("dest")));
    }

    // A destination folder holding only an earlier "vexa.exe".
    void putEarlierFile()
    {
        writeAll(at(QStringLiteral("dest/vexa.exe")), m_earlier);
        ASSERT_EQ(entriesOf(at(QStringLiteral("dest"))), QStringList {QStringLiteral("vexa.exe")});
    }

    void expectEarlierFileIntact()
    {
        EXPECT_EQ(readAll(at(QStringLiteral("dest/vexa.exe"))), m_earlier);
        EXPECT_EQ(entriesOf(at(QStringLiteral("dest"))), QStringList {QStringLiteral("vexa.exe")});
    }

    const QByteArray m_earlier = QByteArray("earlier version, longer than the new one\n");
};

TEST_F(PlatformCopyFileTest, CopiesContentAndPermissionBits)
{
    QByteArray program(300 * 1024 + 7, '\0');
    for (qsizetype i = 0; i < program.size(); ++i)
        program[i] = char(i * 31 % 251);
    writeAll(at(QStringLiteral("base/vexa.exe")), program);
    writeAll(at(QStringLiteral("base/配置 文件.ini")), "a=1");
    ASSERT_EQ(::chmod(QFile::encodeName(at(QStringLiteral("base/vexa.exe"))).constData(), 0751), 0);
    ASSERT_EQ(
        ::chmod(QFile::encodeName(at(QStringLiteral("base/配置 文件.ini"))).constData(), 0640), 0);

    FileSystem fs;
    fs.CopyFile(at(QStringLiteral("base/vexa.exe")), at(QStringLiteral("dest/vexa.exe")));
    fs.CopyFile(
        at(QStringLiteral("base//配置 文件.ini")), at(QStringLiteral("dest//配置 文件.ini")));

    EXPECT_EQ(readAll(at(QStringLiteral("dest/vexa.exe"))), program);
    EXPECT_EQ(modeOf(at(QStringLiteral("dest/vexa.exe"))), 0751u);
    EXPECT_EQ(readAll(at(QStringLiteral("dest/配置 文件.ini"))), QByteArray("a=1"));
    EXPECT_EQ(modeOf(at(QStringLiteral("dest/配置 文件.ini"))), 0640u);
    EXPECT_EQ(entriesOf(at(QStringLiteral("dest"))),
        (QStringList {QStringLiteral("vexa.exe"), QStringLiteral("配置 文件.ini")}));
}

TEST_F(PlatformCopyFileTest, ReplacesAnExistingFileEvenAReadOnlyOne)
{
    putEarlierFile();
    ASSERT_EQ(::chmod(QFile::encodeName(at(QStringLiteral("dest/vexa.exe"))).constData(), 0444), 0);
    writeAll(at(QStringLiteral("base/vexa.exe")), "new");
    ASSERT_EQ(::chmod(QFile::encodeName(at(QStringLiteral("base/vexa.exe"))).constData(), 0755), 0);

    FileSystem().CopyFile(at(QStringLiteral("base/vexa.exe")), at(QStringLiteral("dest/vexa.exe")));
    EXPECT_EQ(readAll(at(QStringLiteral("dest/vexa.exe"))), QByteArray("new"));
    EXPECT_EQ(modeOf(at(QStringLiteral("dest/vexa.exe"))), 0755u);
    EXPECT_EQ(entriesOf(at(QStringLiteral("dest"))), QStringList {QStringLiteral("vexa.exe")});
}

TEST_F(PlatformCopyFileTest, FailsOnMissingSourceOrFolderAndOnFoldersAndPipes)
{
    putEarlierFile();
    FileSystem fs;
    const QString target = at(QStringLiteral("dest/vexa.exe"));
    const QString missing = at(QStringLiteral("base/missing.exe"));
    EXPECT_PLATFORM_ERROR(
        fs.CopyFile(missing, target), PlatformError::FileNotFound, "CopyFile", missing);

    writeAll(at(QStringLiteral("base/vexa.exe")), "new");
    const QString noFolder = at(QStringLiteral("dest/sub/vexa.exe"));
    EXPECT_PLATFORM_ERROR(fs.CopyFile(at(QStringLiteral("base/vexa.exe")), noFolder),
        PlatformError::PathNotFound, "CopyFile", noFolder);

    const QString folder = at(QStringLiteral("base"));
    EXPECT_PLATFORM_ERROR(
        fs.CopyFile(folder, target), PlatformError::PathFileAccessError, "CopyFile", folder);

    // A pipe must fail at once, not wait for a writer.
    const QString pipe = at(QStringLiteral("base/pipe"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
    EXPECT_PLATFORM_ERROR(
        fs.CopyFile(pipe, target), PlatformError::PathFileAccessError, "CopyFile", pipe);

    // A folder standing where the file should go stays a folder.
    QDir().mkdir(at(QStringLiteral("dest/data")));
    EXPECT_PLATFORM_ERROR(
        fs.CopyFile(at(QStringLiteral("base/vexa.exe")), at(QStringLiteral("dest/data"))),
        PlatformError::PathFileAccessError, "CopyFile", "dest/data");
    EXPECT_TRUE(QFileInfo(at(QStringLiteral("dest/data"))).isDir());
    QDir().rmdir(at(QStringLiteral("dest/data")));
    expectEarlierFileIntact();
}

TEST_F(PlatformCopyFileTest, ReadOnlyDestinationKeepsEarlierFile)
{
    putEarlierFile();
    writeAll(at(QStringLiteral("base/vexa.exe")), "new");
    const Mount readOnly = Mount::readOnlyBind(at(QStringLiteral("dest")));
    if (!readOnly.ok())
        GTEST_SKIP() << "cannot make a read-only mount: " << readOnly.error().toStdString();

    const QString target = at(QStringLiteral("dest/vexa.exe"));
    EXPECT_PLATFORM_ERROR(FileSystem().CopyFile(at(QStringLiteral("base/vexa.exe")), target),
        PlatformError::PermissionDenied, "CopyFile", target);
    expectEarlierFileIntact();
}

TEST_F(PlatformCopyFileTest, DiskFullHalfWayKeepsEarlierFileAndLeavesNoTemporaryFile)
{
    const Mount small = Mount::tmpfs(at(QStringLiteral("dest")), QStringLiteral("size=128k"));
    if (!small.ok())
        GTEST_SKIP() << "cannot mount a small tmpfs: " << small.error().toStdString();
    putEarlierFile();
    writeAll(at(QStringLiteral("base/vexa.exe")), QByteArray(1024 * 1024, 'x'));

    const QString target = at(QStringLiteral("dest/vexa.exe"));
    EXPECT_PLATFORM_ERROR(FileSystem().CopyFile(at(QStringLiteral("base/vexa.exe")), target),
        PlatformError::DiskFull, "CopyFile", target);
    expectEarlierFileIntact();
}

TEST_F(PlatformCopyFileTest, UnreadableSourceKeepsEarlierFile)
{
    putEarlierFile();
    writeAll(at(QStringLiteral("base/vexa.exe")), "secret");
    ASSERT_EQ(::chmod(QFile::encodeName(at(QStringLiteral("base/vexa.exe"))).constData(), 0600), 0);
    giveToNobody(at(QStringLiteral("dest")));

    const QString source = at(QStringLiteral("base/vexa.exe"));
    const QString target = at(QStringLiteral("dest/vexa.exe"));
    EXPECT_EQ(runAsNobody([&] {
        FileSystem().CopyFile(source, target);
        return 0;
    }),
        PlatformError::PermissionDenied);
    expectEarlierFileIntact();
}
