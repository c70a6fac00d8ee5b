// CreateTextFile, WriteLine and Close.
#include "PlatformTest.h"
#include "platform/FileSystem.h"

using platform::FileSystem;

using PlatformTextFileTest = PlatformTest;

TEST_F(PlatformTextFileTest, ReplacesTheFileOnCloseWithUtf8Lines)
{
    const QString path = at("vexaconfig.txt");
    put("vexaconfig.txt", "a much longer earlier line\nand a second one\n");
    chmodAt("vexaconfig.txt", 0600);
    platform::TextStream stream = FileSystem().CreateTextFile(path, true);
    stream.WriteLine("D:\\Games, old\\vexa");
    stream.WriteLine("/home/用户/vexa");
    // Until Close a reader sees the earlier file.
    EXPECT_EQ(read("vexaconfig.txt"), "a much longer earlier line\nand a second one\n");
    stream.Close();
    stream.Close();

    EXPECT_EQ(
        read("vexaconfig.txt"), "D:\\Games, old\\vexa\n/home/\xE7\x94\xA8\xE6\x88\xB7/vexa\n");
    EXPECT_EQ(modeOf(path), 0600u);
    EXPECT_EQ(entries(), QStringList {"vexaconfig.txt"});
    EXPECT_RAISES(stream.WriteLine("late"), BadFileMode, "WriteLine", path);

    // A stream dropped without Close leaves no trace.
    FileSystem().CreateTextFile(path, true).WriteLine("never committed");
    EXPECT_EQ(
        read("vexaconfig.txt"), "D:\\Games, old\\vexa\n/home/\xE7\x94\xA8\xE6\x88\xB7/vexa\n");
    EXPECT_EQ(entries(), QStringList {"vexaconfig.txt"});
}

TEST_F(PlatformTextFileTest, WithoutOverwriteAnExistingFileIsKept)
{
    put("vexaconfig.txt", "earlier\n");
    EXPECT_RAISES(FileSystem().CreateTextFile(at("vexaconfig.txt"), false), FileAlreadyExists,
        "CreateTextFile", "vexaconfig.txt");
    // Also a file that appears while the stream is open.
    platform::TextStream stream = FileSystem().CreateTextFile(at("late.txt"), false);
    put("late.txt", "theirs\n");
    EXPECT_RAISES(stream.Close(), FileAlreadyExists, "Close", "late.txt");
    EXPECT_EQ(read("late.txt"), "theirs\n");
    EXPECT_EQ(entries(), (QStringList {"late.txt", "vexaconfig.txt"}));
}

TEST_F(PlatformTextFileTest, FailuresKeepTheEarlierFile)
{
    FileSystem fs;
    const QString noFolder = at("missing/vexaconfig.txt");
    EXPECT_RAISES(fs.CreateTextFile(noFolder, true), PathNotFound, "CreateTextFile", noFolder);
    mkdirAt("ro");
    EXPECT_RAISES(fs.CreateTextFile(at("ro"), true), PathFileAccessError, "CreateTextFile", "ro");
    {
        const Mount readOnly(at("ro"));
        SKIP_UNLESS_MOUNTED(readOnly);
        EXPECT_RAISES(fs.CreateTextFile(at("ro/vexaconfig.txt"), true), PermissionDenied,
            "CreateTextFile", "ro/vexaconfig.txt");
    }

    const Mount small(at("ro"), "size=64k");
    SKIP_UNLESS_MOUNTED(small);
    put("ro/vexaconfig.txt", "earlier\n");
    EXPECT_RAISES(
        {
            platform::TextStream stream = fs.CreateTextFile(at("ro/vexaconfig.txt"), true);
            for (int i = 0; i < 64; ++i)
                stream.WriteLine(QString(8 * 1024, u'x'));
            stream.Close();
        },
        DiskFull, "WriteLine", "ro/vexaconfig.txt");
    EXPECT_EQ(read("ro/vexaconfig.txt"), "earlier\n");
    EXPECT_EQ(entries("ro"), QStringList {"vexaconfig.txt"});
}
