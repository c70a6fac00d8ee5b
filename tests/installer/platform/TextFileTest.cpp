// CreateTextFile, WriteLine and Close.
#include "PlatformTest.h"
#include "platform/FileSystem.h"

#include <QDir>

using platform::FileSystem;
using platform::PlatformError;
using namespace testsupport;

class PlatformTextFileTest : public PlatformTest
{
protected:
    const QString m_path = at(QStringLiteral("vexaconfig.txt"));
};

TEST_F(PlatformTextFileTest, ReplacesTheFileOnCloseWithUtf8Lines)
{
    writeAll(m_path, "a much longer earlier line\nand a second one\n");
    chmodAt(QStringLiteral("vexaconfig.txt"), 0600);
    platform::TextStream stream = FileSystem().CreateTextFile(m_path, true);
    stream.WriteLine(QStringLiteral("D:\\Games, old\\vexa"));
    stream.WriteLine(QStringLiteral("/home/用户/vexa"));
    // Until Close a reader sees the earlier file.
    EXPECT_EQ(readAll(m_path), QByteArray("a much longer earlier line\nand a second one\n"));
    stream.Close();
    stream.Close();

    EXPECT_EQ(
        readAll(m_path), QByteArray("D:\\Games, old\\vexa\n/home/\xE7\x94\xA8\xE6\x88\xB7/vexa\n"));
    EXPECT_EQ(modeOf(m_path), 0600u);
    EXPECT_EQ(entriesOf(m_root.path()), QStringList {QStringLiteral("vexaconfig.txt")});
    EXPECT_PLATFORM_ERROR(
        stream.WriteLine(QStringLiteral("late")), PlatformError::BadFileMode, "WriteLine", m_path);
}

TEST_F(PlatformTextFileTest, StreamDroppedWithoutCloseLeavesNoTrace)
{
    writeAll(m_path, "earlier\n");
    FileSystem().CreateTextFile(m_path, true).WriteLine(QStringLiteral("never committed"));
    EXPECT_EQ(readAll(m_path), QByteArray("earlier\n"));
    EXPECT_EQ(entriesOf(m_root.path()), QStringList {QStringLiteral("vexaconfig.txt")});
}

TEST_F(PlatformTextFileTest, WithoutOverwriteAnExistingFileIsKept)
{
    writeAll(m_path, "earlier\n");
    EXPECT_PLATFORM_ERROR(FileSystem().CreateTextFile(m_path, false),
        PlatformError::FileAlreadyExists, "CreateTextFile", m_path);
    // Also a file that appears while the stream is open.
    const QString late = at(QStringLiteral("late.txt"));
    platform::TextStream stream = FileSystem().CreateTextFile(late, false);
    writeAll(late, "theirs\n");
    EXPECT_PLATFORM_ERROR(stream.Close(), PlatformError::FileAlreadyExists, "Close", late);
    EXPECT_EQ(readAll(late), QByteArray("theirs\n"));
    EXPECT_EQ(entriesOf(m_root.path()),
        (QStringList {QStringLiteral("late.txt"), QStringLiteral("vexaconfig.txt")}));
}

TEST_F(PlatformTextFileTest, FailsOnMissingFolderFolderPathAndReadOnlyFolder)
{
    FileSystem fs;
    const QString noFolder = at(QStringLiteral("missing/vexaconfig.txt"));
    EXPECT_PLATFORM_ERROR(
        fs.CreateTextFile(noFolder, true), PlatformError::PathNotFound, "CreateTextFile", noFolder);
    QDir().mkdir(at(QStringLiteral("ro")));
    EXPECT_PLATFORM_ERROR(fs.CreateTextFile(at(QStringLiteral("ro")), true),
        PlatformError::PathFileAccessError, "CreateTextFile", "ro");

    const Mount readOnly(at(QStringLiteral("ro")));
    SKIP_UNLESS_MOUNTED(readOnly);
    const QString blocked = at(QStringLiteral("ro/vexaconfig.txt"));
    EXPECT_PLATFORM_ERROR(fs.CreateTextFile(blocked, true), PlatformError::PermissionDenied,
        "CreateTextFile", blocked);
}

TEST_F(PlatformTextFileTest, DiskFullKeepsEarlierFile)
{
    QDir().mkdir(at(QStringLiteral("small")));
    const Mount small(at(QStringLiteral("small")), "size=64k");
    SKIP_UNLESS_MOUNTED(small);
    const QString path = at(QStringLiteral("small/vexaconfig.txt"));
    writeAll(path, "earlier\n");
    EXPECT_PLATFORM_ERROR(
        {
            platform::TextStream stream = FileSystem().CreateTextFile(path, true);
            for (int i = 0; i < 64; ++i)
                stream.WriteLine(QString(8 * 1024, u'x'));
            stream.Close();
        },
        PlatformError::DiskFull, "WriteLine", path);
    EXPECT_EQ(readAll(path), QByteArray("earlier\n"));
    EXPECT_EQ(
        entriesOf(at(QStringLiteral("small"))), QStringList {QStringLiteral("vexaconfig.txt")});
}
