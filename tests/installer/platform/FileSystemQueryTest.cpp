// FileExists, FolderExists, CreateFolder and GetFolder with its listings.
#include "PlatformTest.h"
#include "platform/FileSystem.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

using platform::FileSystem;
using platform::PlatformError;
using namespace testsupport;

namespace {

QStringList namesOf(const QList<platform::File> &files)
{
    QStringList names;
    for (const auto &file : files)
        names << file.Name();
    return names;
}

QStringList namesOf(const QList<platform::Folder> &folders)
{
    QStringList names;
    for (const auto &folder : folders)
        names << folder.Name();
    return names;
}

} // namespace

class PlatformExistsTest : public PlatformTest
{
};

TEST_F(PlatformExistsTest, TellsFilesFromFoldersAndMissingEntries)
{
    FileSystem fs;
    QDir().mkdir(at(QStringLiteral("安装 目录")));
    writeAll(at(QStringLiteral("安装 目录/vexa.exe")), "MZ");
    ASSERT_EQ(
        ::symlink("vexa.exe", QFile::encodeName(at(QStringLiteral("安装 目录/link.exe")))), 0);
    ASSERT_EQ(::symlink("gone", QFile::encodeName(at(QStringLiteral("安装 目录/dangling")))), 0);

    EXPECT_TRUE(fs.FileExists(at(QStringLiteral("安装 目录/vexa.exe"))));
    EXPECT_TRUE(fs.FileExists(at(QStringLiteral("安装 目录//vexa.exe"))));
    EXPECT_TRUE(fs.FileExists(at(QStringLiteral("安装 目录/link.exe"))));
    EXPECT_FALSE(fs.FileExists(at(QStringLiteral("安装 目录/dangling"))));
    EXPECT_FALSE(fs.FileExists(at(QStringLiteral("安装 目录"))));
    EXPECT_FALSE(fs.FileExists(at(QStringLiteral("安装 目录/missing.exe"))));

    EXPECT_TRUE(fs.FolderExists(at(QStringLiteral("安装 目录"))));
    EXPECT_TRUE(fs.FolderExists(at(QStringLiteral("安装 目录/"))));
    EXPECT_FALSE(fs.FolderExists(at(QStringLiteral("安装 目录/vexa.exe"))));
    EXPECT_FALSE(fs.FolderExists(at(QStringLiteral("missing"))));
}

class PlatformCreateFolderTest : public PlatformTest
{
};

TEST_F(PlatformCreateFolderTest, CreatesOneLevelWithDoubledSeparatorTakenAsOne)
{
    FileSystem fs;
    fs.CreateFolder(at(QStringLiteral("vexa")));
    fs.CreateFolder(at(QStringLiteral("vexa//资源 文件")));
    EXPECT_TRUE(QFileInfo(at(QStringLiteral("vexa/资源 文件"))).isDir());
}

TEST_F(PlatformCreateFolderTest, FailsOnMissingParentExistingEntryAndReadOnlyParent)
{
    FileSystem fs;
    const QString deep = at(QStringLiteral("no/such/parent"));
    EXPECT_PLATFORM_ERROR(fs.CreateFolder(deep), PlatformError::PathNotFound, "CreateFolder", deep);
    EXPECT_FALSE(QFileInfo::exists(at(QStringLiteral("no"))));

    writeAll(at(QStringLiteral("taken")), "x");
    EXPECT_PLATFORM_ERROR(fs.CreateFolder(at(QStringLiteral("taken"))),
        PlatformError::FileAlreadyExists, "CreateFolder", "taken");

    QDir().mkdir(at(QStringLiteral("ro")));
    const Mount readOnly = Mount::readOnlyBind(at(QStringLiteral("ro")));
    if (!readOnly.ok())
        GTEST_SKIP() << "cannot make a read-only mount: " << readOnly.error().toStdString();
    EXPECT_PLATFORM_ERROR(fs.CreateFolder(at(QStringLiteral("ro/vexa"))),
        PlatformError::PermissionDenied, "CreateFolder", "ro/vexa");
}

class PlatformGetFolderTest : public PlatformTest
{
protected:
    // base/ holding two files, a link to a file, a link to a folder outside,
    // a dangling link, a pipe and two sub-folders (one empty).
    void SetUp() override
    {
        PlatformTest::SetUp();
        QDir().mkpath(at(QStringLiteral("base/S/R")));
        QDir().mkpath(at(QStringLiteral("base/空 文件夹")));
        QDir().mkpath(at(QStringLiteral("outside")));
        writeAll(at(QStringLiteral("base/vexa.exe")), "MZ");
        writeAll(at(QStringLiteral("base/使用 说明.txt")), "text");
        writeAll(at(QStringLiteral("base/S/B")), "b");
        ASSERT_EQ(
            ::symlink("vexa.exe", QFile::encodeName(at(QStringLiteral("base/alias.exe")))), 0);
        ASSERT_EQ(::symlink("../outside", QFile::encodeName(at(QStringLiteral("base/out")))), 0);
        ASSERT_EQ(::symlink("nothing", QFile::encodeName(at(QStringLiteral("base/dangling")))), 0);
        ASSERT_EQ(
            ::mkfifo(QFile::encodeName(at(QStringLiteral("base/pipe"))).constData(), 0644), 0);
    }
};

TEST_F(PlatformGetFolderTest, ListsFilesAndRealSubFoldersByName)
{
    const platform::Folder base = FileSystem().GetFolder(at(QStringLiteral("base")));
    EXPECT_EQ(base.Name(), QStringLiteral("base"));

    const auto files = base.Files();
    EXPECT_EQ(namesOf(files),
        (QStringList {QStringLiteral("alias.exe"), QStringLiteral("vexa.exe"),
            QStringLiteral("使用 说明.txt")}));
    EXPECT_EQ(files.at(1).Path(), at(QStringLiteral("base/vexa.exe")));

    const auto folders = base.SubFolders();
    EXPECT_EQ(namesOf(folders), (QStringList {QStringLiteral("S"), QStringLiteral("空 文件夹")}));
    EXPECT_EQ(namesOf(folders.at(0).SubFolders()), QStringList {QStringLiteral("R")});
    EXPECT_EQ(namesOf(folders.at(0).Files()), QStringList {QStringLiteral("B")});
    EXPECT_TRUE(folders.at(1).Files().isEmpty());
    EXPECT_TRUE(folders.at(1).SubFolders().isEmpty());
}

TEST_F(PlatformGetFolderTest, TakesDoubledAndTrailingSeparatorsAsGiven)
{
    FileSystem fs;
    const platform::Folder doubled = fs.GetFolder(at(QStringLiteral("base//S")));
    EXPECT_EQ(doubled.Name(), QStringLiteral("S"));
    EXPECT_EQ(namesOf(doubled.Files()), QStringList {QStringLiteral("B")});
    EXPECT_EQ(doubled.Path(), at(QStringLiteral("base//S")));

    const platform::Folder trailing = fs.GetFolder(at(QStringLiteral("base/")));
    EXPECT_EQ(trailing.Name(), QStringLiteral("base"));
    EXPECT_EQ(trailing.SubFolders().at(0).Path(), at(QStringLiteral("base/S")));
}

TEST_F(PlatformGetFolderTest, FailsOnMissingFolderFileAndUnreadableFolder)
{
    FileSystem fs;
    const QString missing = at(QStringLiteral("base/missing"));
    EXPECT_PLATFORM_ERROR(fs.GetFolder(missing), PlatformError::PathNotFound, "GetFolder", missing);
    const QString file = at(QStringLiteral("base/vexa.exe"));
    EXPECT_PLATFORM_ERROR(fs.GetFolder(file), PlatformError::PathNotFound, "GetFolder", file);

    // A folder removed after it was handed out.
    const platform::Folder gone = fs.GetFolder(at(QStringLiteral("base/S/R")));
    ASSERT_TRUE(QDir(at(QStringLiteral("base/S/R"))).removeRecursively());
    EXPECT_PLATFORM_ERROR(gone.Files(), PlatformError::PathNotFound, "Files", "base/S/R");
    EXPECT_PLATFORM_ERROR(gone.SubFolders(), PlatformError::PathNotFound, "SubFolders", "base/S/R");

    // Root reads every folder; an unprivileged user cannot list a 0700 one.
    ASSERT_EQ(::chmod(QFile::encodeName(at(QStringLiteral("base"))).constData(), 0711), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(at(QStringLiteral("base/S"))).constData(), 0700), 0);
    const QString closed = at(QStringLiteral("base/S"));
    EXPECT_EQ(runAsNobody([&] {
        FileSystem().GetFolder(closed).Files();
        return 0;
    }),
        PlatformError::PermissionDenied);
}
