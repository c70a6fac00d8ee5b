// CreateTextFile, WriteLine and Close.
#include "PlatformTest.h"
#include "platform/FileSystem.h"

#include <QDir>
#include <QFile>

#include <optional>

using platform::FileSystem;
using platform::PlatformError;
using namespace testsupport;

class PlatformTextFileTest : public PlatformTest
{
};

TEST_F(PlatformTextFileTest, WritesLinesInUtf8EachEndedByNewline)
{
    const QString path = at(QStringLiteral("vexaconfig.txt"));
    platform::TextStream stream = FileSystem().CreateTextFile(path, true);
    stream.WriteLine(QStringLiteral("D:\\Games, old\\vexa"));
    stream.WriteLine(QStringLiteral("/home/用户/安装 目录/vexa"));
    stream.WriteLine(QString());
    stream.Close();
    stream.Close();

    EXPECT_EQ(readAll(path),
        QByteArray("D:\\Games, old\\vexa\n"
                   "/home/\xE7\x94\xA8\xE6\x88\xB7/"
                   "\xE5\xAE\x89\xE8\xA3\x85 \xE7\x9B\xAE\xE5\xBD\x95/vexa\n"
                   "\n"));
    EXPECT_EQ(entriesOf(m_root.path()), QStringList {QStringLiteral("vexaconfig.txt")});
}

TEST_F(PlatformTextFileTest, OverwriteReplacesOnCloseAndKeepsPermissions)
{
    const QString path = at(QStringLiteral("vexaconfig.txt"));
    writeAll(path, "a much longer earlier line\nand a second one\n");
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0600), 0);

    platform::TextStream stream = FileSystem().CreateTextFile(path, true);
    stream.WriteLine(QStringLiteral("/opt/vexa"));
    // Until Close the earlier file is what a reader sees.
    EXPECT_EQ(readAll(path), QByteArray("a much longer earlier line\nand a second one\n"));
    stream.Close();

    EXPECT_EQ(readAll(path), QByteArray("/opt/vexa\n"));
    EXPECT_EQ(modeOf(path), 0600u);
    EXPECT_EQ(entriesOf(m_root.path()), QStringList {QStringLiteral("vexaconfig.txt")});
}

TEST_F(PlatformTextFileTest, StreamDroppedWithoutCloseLeavesNoTrace)
{
    const QString path = at(QStringLiteral("vexaconfig.txt"));
    writeAll(path, "earlier\n");
    {
        platform::TextStream stream = FileSystem().CreateTextFile(path, true);
        stream.WriteLine(QStringLiteral("never committed"));
    }
    EXPECT_EQ(readAll(path), QByteArray("earlier\n"));
    EXPECT_EQ(entriesOf(m_root.path()), QStringList {QStringLiteral("vexaconfig.txt")});
}

TEST_F(PlatformTextFileTest, WithoutOverwriteAnExistingFileIsRefused)
{
    const QString path = at(QStringLiteral("vexaconfig.txt"));
    writeAll(path, "earlier\n");
    EXPECT_PLATFORM_ERROR(FileSystem().CreateTextFile(path, false),
        PlatformError::FileAlreadyExists, "CreateTextFile", path);

    // A file that appears while the stream is open is not replaced either.
    const QString late = at(QStringLiteral("late.txt"));
    platform::TextStream stream = FileSystem().CreateTextFile(late, false);
    stream.WriteLine(QStringLiteral("mine"));
    writeAll(late, "theirs\n");
    EXPECT_PLATFORM_ERROR(stream.Close(), PlatformError::FileAlreadyExists, "Close", late);
    EXPECT_EQ(readAll(late), QByteArray("theirs\n"));
    EXPECT_EQ(readAll(path), QByteArray("earlier\n"));
    EXPECT_EQ(entriesOf(m_root.path()),
        (QStringList {QStringLiteral("late.txt"), QStringLiteral("vexaconfig.txt")}));
}

TEST_F(PlatformTextFileTest, FailsOnMissingFolderFolderPathAndClosedStream)
{
    FileSystem fs;
    const QString noFolder = at(QStringLiteral("missing/vexaconfig.txt"));
    EXPECT_PLATFORM_ERROR(
        fs.CreateTextFile(noFolder, true), PlatformError::PathNotFound, "CreateTextFile", noFolder);

    QDir().mkdir(at(QStringLiteral("folder")));
    EXPECT_PLATFORM_ERROR(fs.CreateTextFile(at(QStringLiteral("folder")), true),
        PlatformError::PathFileAccessError, "CreateTextFile", "folder");

    const QString path = at(QStringLiteral("vexaconfig.txt"));
    platform::TextStream stream = fs.CreateTextFile(path, true);
    stream.Close();
    EXPECT_PLATFORM_ERROR(
        stream.WriteLine(QStringLiteral("late")), PlatformError::BadFileMode, "WriteLine", path);
    EXPECT_EQ(readAll(path), QByteArray());
}

TEST_F(PlatformTextFileTest, ReadOnlyFolderIsRefused)
{
    QDir().mkdir(at(QStringLiteral("ro")));
    writeAll(at(QStringLiteral("ro/vexaconfig.txt")), "earlier\n");
    const Mount readOnly = Mount::readOnlyBind(at(QStringLiteral("ro")));
    if (!readOnly.ok())
        GTEST_SKIP() << "cannot make a read-only mount: " << readOnly.error().toStdString();
    const QString path = at(QStringLiteral("ro/vexaconfig.txt"));
    EXPECT_PLATFORM_ERROR(FileSystem().CreateTextFile(path, true), PlatformError::PermissionDenied,
        "CreateTextFile", path);
    EXPECT_EQ(readAll(path), QByteArray("earlier\n"));
}

TEST_F(PlatformTextFileTest, DiskFullKeepsEarlierFile)
{
    QDir().mkdir(at(QStringLiteral("small")));
    const Mount small = Mount::tmpfs(at(QStringLiteral("small")), QStringLiteral("size=64k"));
    if (!small.ok())
        GTEST_SKIP() << "cannot mount a small tmpfs: " << small.error().toStdString();
    const QString path = at(QStringLiteral("small/vexaconfig.txt"));
    writeAll(path, "earlier\n");

    const QString line(8 * 1024, QLatin1Char('x'));
    std::optional<PlatformError> failure;
    try {
        platform::TextStream stream = FileSystem().CreateTextFile(path, true);
        for (int i = 0; i < 64; ++i)
            stream.WriteLine(line);
        stream.Close();
    } catch (const PlatformError &error) {
        failure = error;
    }
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->number(), PlatformError::DiskFull) << failure->what();
    EXPECT_TRUE(failure->description().contains(path)) << failure->what();
    EXPECT_EQ(readAll(path), QByteArray("earlier\n"));
    EXPECT_EQ(
        entriesOf(at(QStringLiteral("small"))), QStringList {QStringLiteral("vexaconfig.txt")});
}
