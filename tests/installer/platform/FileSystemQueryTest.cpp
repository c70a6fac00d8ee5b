// FileExists, FolderExists, CreateFolder, and GetFolder with its listings.
#include "PlatformTest.h"
#include "platform/FileSystem.h"

#include <QFileInfo>

using platform::FileSystem;

namespace {

template<typename Items> QStringList namesOf(const Items &items)
{
    QStringList names;
    for (const auto &item : items)
        names << item.Name();
    return names;
}

} // namespace

class PlatformQueryTest : public PlatformTest
{
protected:
    // base/: two files, a link to one, a link to a folder outside, a dangling
    // link, a pipe, and the sub-folders S (holding R and B) and an empty one.
    void SetUp() override
    {
        PlatformTest::SetUp();
        mkdirAt("base/S/R");
        mkdirAt("base/空 文件夹");
        mkdirAt("outside");
        put("base/vexa.exe", "MZ");
        put("base/使用 说明.txt", "text");
        put("base/S/B", "b");
        linkAt("vexa.exe", "base/alias.exe");
        linkAt("../outside", "base/out");
        linkAt("nothing", "base/dangling");
        pipeAt("base/pipe");
    }
};

TEST_F(PlatformQueryTest, ExistsTellsFilesFromFoldersAndMissingEntries)
{
    FileSystem fs;
    for (const char *file : {"base//vexa.exe", "base/alias.exe"})
        EXPECT_TRUE(fs.FileExists(at(file))) << file;
    for (const char *notFile : {"base/dangling", "base/空 文件夹", "base/missing.exe"})
        EXPECT_FALSE(fs.FileExists(at(notFile))) << notFile;
    EXPECT_TRUE(fs.FolderExists(at("base/空 文件夹/")));
    EXPECT_FALSE(fs.FolderExists(at("base/vexa.exe")));
    EXPECT_FALSE(fs.FolderExists(at("missing")));
}

TEST_F(PlatformQueryTest, CreateFolderMakesOneLevelOnly)
{
    FileSystem fs;
    fs.CreateFolder(at("vexa"));
    fs.CreateFolder(at("vexa//资源 文件"));
    EXPECT_TRUE(QFileInfo(at("vexa/资源 文件")).isDir());

    const QString deep = at("no/such/parent");
    EXPECT_RAISES(fs.CreateFolder(deep), PathNotFound, "CreateFolder", deep);
    EXPECT_FALSE(QFileInfo::exists(at("no")));
    EXPECT_RAISES(fs.CreateFolder(at("vexa")), FileAlreadyExists, "CreateFolder", "vexa");

    const Mount readOnly(at("vexa"));
    SKIP_UNLESS_MOUNTED(readOnly);
    EXPECT_RAISES(fs.CreateFolder(at("vexa/bin")), PermissionDenied, "CreateFolder", "vexa/bin");
}

TEST_F(PlatformQueryTest, GetFolderListsFilesAndRealSubFoldersByName)
{
    const platform::Folder base = FileSystem().GetFolder(at("base/"));
    EXPECT_EQ(base.Name(), "base");
    const auto files = base.Files();
    EXPECT_EQ(namesOf(files), (QStringList {"alias.exe", "vexa.exe", "使用 说明.txt"}));
    EXPECT_EQ(files.at(1).Path(), at("base/vexa.exe"));

    const auto folders = base.SubFolders();
    EXPECT_EQ(namesOf(folders), (QStringList {"S", "空 文件夹"}));
    EXPECT_EQ(folders.at(0).Path(), at("base/S"));
    EXPECT_EQ(namesOf(folders.at(0).SubFolders()), QStringList {"R"});
    EXPECT_TRUE(folders.at(1).Files().isEmpty());

    // A doubled separator names the same folder.
    const platform::Folder doubled = FileSystem().GetFolder(at("base//S"));
    EXPECT_EQ(doubled.Name(), "S");
    EXPECT_EQ(namesOf(doubled.Files()), QStringList {"B"});
}

TEST_F(PlatformQueryTest, GetFolderAndListingsFail)
{
    FileSystem fs;
    for (const char *notFolder : {"base/missing", "base/vexa.exe"})
        EXPECT_RAISES(fs.GetFolder(at(notFolder)), PathNotFound, "GetFolder", notFolder);

    const platform::Folder gone = fs.GetFolder(at("base/S/R"));
    ASSERT_TRUE(QDir(at("base/S/R")).removeRecursively());
    EXPECT_RAISES(gone.Files(), PathNotFound, "Files", "base/S/R");
    EXPECT_RAISES(gone.SubFolders(), PathNotFound, "SubFolders", "base/S/R");

    chmodAt("base/S", 0700);
    const QString closed = at("base/S");
    EXPECT_EQ(runAsNobody([&] { return int(FileSystem().GetFolder(closed).Files().size()); }),
        PermissionDenied);
}
