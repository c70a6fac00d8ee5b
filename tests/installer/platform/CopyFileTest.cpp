// CopyFile: content, permission bits, replacement, and no failure ever
// damages an earlier destination file or leaves a temporary file behind.
#include "PlatformTest.h"
#include "platform/FileSystem.h"

#include <QDir>
#include <QFileInfo>

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
        writeAll(m_source, "new");
    }

    void putEarlierFile() { writeAll(m_target, m_earlier); }
    void expectEarlierFileAlone()
    {
        EXPECT_EQ(readAll(m_target), m_earlier);
        EXPECT_EQ(entriesOf(at(QStringLiteral("dest"))), QStringList {QStringLiteral("vexa.exe")});
    }

    const QString m_source = at(QStringLiteral("base/vexa.exe"));
    const QString m_target = at(QStringLiteral("dest/vexa.exe"));
    const QByteArray m_earlier = "earlier version, longer than the new one\n";
};

TEST_F(PlatformCopyFileTest, CopiesContentAndPermissionBitsOverAnEarlierFile)
{
    QByteArray program(300 * 1024 + 7, '\0');
    for (qsizetype i = 0; i < program.size(); ++i)
        program[i] = char(i * 31 % 251);
    writeAll(m_source, program);
    chmodAt(QStringLiteral("base/vexa.exe"), 0751);
    writeAll(at(QStringLiteral("base/配置 文件.ini")), "a=1");
    chmodAt(QStringLiteral("base/配置 文件.ini"), 0640);
    putEarlierFile();
    chmodAt(QStringLiteral("dest/vexa.exe"), 0444);

    FileSystem fs;
    fs.CopyFile(m_source, m_target);
    fs.CopyFile(
        at(QStringLiteral("base//配置 文件.ini")), at(QStringLiteral("dest//配置 文件.ini")));

    EXPECT_EQ(readAll(m_target), program);
    EXPECT_EQ(modeOf(m_target), 0751u);
    EXPECT_EQ(readAll(at(QStringLiteral("dest/配置 文件.ini"))), QByteArray("a=1"));
    EXPECT_EQ(modeOf(at(QStringLiteral("dest/配置 文件.ini"))), 0640u);
    EXPECT_EQ(entriesOf(at(QStringLiteral("dest"))),
        (QStringList {QStringLiteral("vexa.exe"), QStringLiteral("配置 文件.ini")}));
}

TEST_F(PlatformCopyFileTest, FailsOnMissingEntriesFoldersAndPipes)
{
    putEarlierFile();
    FileSystem fs;
    const QString missing = at(QStringLiteral("base/missing.exe"));
    EXPECT_PLATFORM_ERROR(
        fs.CopyFile(missing, m_target), PlatformError::FileNotFound, "CopyFile", missing);
    const QString noFolder = at(QStringLiteral("dest/sub/vexa.exe"));
    EXPECT_PLATFORM_ERROR(
        fs.CopyFile(m_source, noFolder), PlatformError::PathNotFound, "CopyFile", noFolder);
    EXPECT_PLATFORM_ERROR(fs.CopyFile(at(QStringLiteral("base")), m_target),
        PlatformError::PathFileAccessError, "CopyFile", "base");
    // A pipe fails at once instead of waiting for a writer.
    const QString pipe = at(QStringLiteral("base/pipe"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
    EXPECT_PLATFORM_ERROR(
        fs.CopyFile(pipe, m_target), PlatformError::PathFileAccessError, "CopyFile", pipe);
    // A folder where the file should go stays a folder.
    QDir().mkdir(at(QStringLiteral("dest/data")));
    EXPECT_PLATFORM_ERROR(fs.CopyFile(m_source, at(QStringLiteral("dest/data"))),
        PlatformError::PathFileAccessError, "CopyFile", "dest/data");
    EXPECT_TRUE(QDir().rmdir(at(QStringLiteral("dest/data"))));
    expectEarlierFileAlone();
}

TEST_F(PlatformCopyFileTest, ReadOnlyDestinationKeepsEarlierFile)
{
    putEarlierFile();
    const Mount readOnly(at(QStringLiteral("dest")));
    SKIP_UNLESS_MOUNTED(readOnly);
    EXPECT_PLATFORM_ERROR(FileSystem().CopyFile(m_source, m_target),
        PlatformError::PermissionDenied, "CopyFile", m_target);
    expectEarlierFileAlone();
}

TEST_F(PlatformCopyFileTest, DiskFullHalfWayKeepsEarlierFile)
{
    const Mount small(at(QStringLiteral("dest")), "size=128k");
    SKIP_UNLESS_MOUNTED(small);
    putEarlierFile();
    writeAll(m_source, QByteArray(1024 * 1024, 'x'));
    EXPECT_PLATFORM_ERROR(
        FileSystem().CopyFile(m_source, m_target), PlatformError::DiskFull, "CopyFile", m_target);
    expectEarlierFileAlone();
}

TEST_F(PlatformCopyFileTest, UnreadableSourceKeepsEarlierFile)
{
    putEarlierFile();
    chmodAt(QStringLiteral("base/vexa.exe"), 0600);
    giveToNobody(at(QStringLiteral("dest")));
    EXPECT_EQ(runAsNobody([&] {
        FileSystem().CopyFile(m_source, m_target);
        return 0;
    }),
        PlatformError::PermissionDenied);
    expectEarlierFileAlone();
}
