// FileExists, FolderExists, CreateFolder, and GetFolder with its listings.
#include "PlatformTest.h"
#include "platform/FileSystem.h"

#include <QDir>
#include <QFileInfo>

using platform::FileSystem;
using platform::PlatformError;
using namespace testsupport;

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
    void makePackage()
    {
        QDir().mkpath(at(QStringLiteral("base/S/R")));
        QDir().mkpath(at(QStringLiteral("base/空 文件夹")));
        QDir().mkpath(at(QStringLiteral("outside")));
        writeAll(at(QStringLiteral("base/vexa.exe")), "MZ");
        writeAll(at(QStringLiteral("base/使用 说明.txt")), "text");
        writeAll(at(QStringLiteral("base/S/B")), "b");
        linkAt("vexa.exe", QStringLiteral("base/alias.exe"));
        linkAt("../outside", QStringLiteral("base/out"));
        linkAt("nothing", QStringLiteral("base/dangling"));
        ASSERT_EQ(
            ::mkfifo(QFile::encodeName(at(QStringLiteral("base/pipe"))).constData(), 0644), 0);
    }
};

TEST_F(PlatformQueryTest, ExistsTellsFilesFromFoldersAndMissingEntries)
{
    makePackage();
    FileSystem fs;
    EXPECT_TRUE(fs.FileExists(at(QStringLiteral("base//vexa.exe"))));
    EXPECT_TRUE(fs.FileExists(at(QStringLiteral("base/alias.exe"))));
    EXPECT_FALSE(fs.FileExists(at(QStringLiteral("base/dangling"))));
    EXPECT_FALSE(fs.FileExists(at(QStringLiteral("base/空 文件夹"))));
    EXPECT_FALSE(fs.FileExists(at(QStringLiteral("base/missing.exe"))));
    EXPECT_TRUE(fs.FolderExists(at(QStringLiteral("base/空 文件夹/"))));
    EXPECT_FALSE(fs.FolderExists(at(QStringLiteral("base/vexa.exe"))));
    EXPECT_FALSE(fs.FolderExists(at(QStringLiteral("missing"))));
}

TEST_F(PlatformQueryTest, CreateFolderMakesOneLevelOnly)
{
    FileSystem fs;
    fs.CreateFolder(at(QStringLiteral("vexa")));
    fs.CreateFolder(at(QStringLiteral("vexa//资源 文件")));
    EXPECT_TRUE(QFileInfo(at(QStringLiteral("vexa/资源 文件"))).isDir());

    const QString deep = at(QStringLiteral("no/such/parent"));
    EXPECT_PLATFORM_ERROR(fs.CreateFolder(deep), PlatformError::PathNotFound, "CreateFolder", deep);
    EXPECT_FALSE(QFileInfo::exists(at(QStringLiteral("no"))));
    EXPECT_PLATFORM_ERROR(fs.CreateFolder(at(QStringLiteral("vexa"))),
        PlatformError::FileAlreadyExists, "CreateFolder", "vexa");

    const Mount readOnly(at(QStringLiteral("vexa")));
    SKIP_UNLESS_MOUNTED(readOnly);
    EXPECT_PLATFORM_ERROR(fs.CreateFolder(at(QStringLiteral("vexa/bin"))),
        PlatformError::PermissionDenied, "CreateFolder", "vexa/bin");
}

TEST_F(PlatformQueryTest, GetFolderListsFilesAndRealSubFoldersByName)
{
    makePackage();
    const platform::Folder base = FileSystem().GetFolder(at(QStringLiteral("base/")));
    EXPECT_EQ(base.Name(), QStringLiteral("base"));
    const auto files = base.Files();
    EXPECT_EQ(namesOf(files),
        (QStringList {QStringLiteral("alias.exe"), QStringLiteral("vexa.exe"),
            QStringLiteral("使用 说明.txt")}));
    EXPECT_EQ(files.at(1).Path(), at(QStringLiteral("base/vexa.exe")));

    const auto folders = base.SubFolders();
    EXPECT_EQ(namesOf(folders), (QStringList {QStringLiteral("S"), QStringLiteral("空 文件夹")}));
    EXPECT_EQ(folders.at(0).Path(), at(QStringLiteral("base/S")));
    EXPECT_EQ(namesOf(folders.at(0).SubFolders()), QStringList {QStringLiteral("R")});
    EXPECT_TRUE(folders.at(1).Files().isEmpty());

    // A doubled separator names the same folder.
    const platform::Folder doubled = FileSystem().GetFolder(at(QStringLiteral("base//S")));
    EXPECT_EQ(doubled.Name(), QStringLiteral("S"));
    EXPECT_EQ(namesOf(doubled.Files()), QStringList {QStringLiteral("B")});
}

TEST_F(PlatformQueryTest, GetFolderAndListingsFail)
{
    makePackage();
    FileSystem fs;
    const QString missing = at(QStringLiteral("base/missing"));
    EXPECT_PLATFORM_ERROR(fs.GetFolder(missing), PlatformError::PathNotFound, "GetFolder", missing);
    const QString file = at(QStringLiteral("base/vexa.exe"));
    EXPECT_PLATFORM_ERROR(fs.GetFolder(file), PlatformError::PathNotFound, "GetFolder", file);

    const platform::Folder gone = fs.GetFolder(at(QStringLiteral("base/S/R")));
    ASSERT_TRUE(QDir(at(QStringLiteral("base/S/R"))).removeRecursively());
    EXPECT_PLATFORM_ERROR(gone.Files(), PlatformError::PathNotFound, "Files", "base/S/R");
    EXPECT_PLATFORM_ERROR(gone.SubFolders(), PlatformError::PathNotFound, "SubFolders", "base/S/R");

    chmodAt(QStringLiteral("base/S"), 0700);
    const QString closed = at(QStringLiteral("base/S"));
    EXPECT_EQ(runAsNobody([&] { return int(FileSystem().GetFolder(closed).Files().size()); }),
        PlatformError::PermissionDenied);
}
