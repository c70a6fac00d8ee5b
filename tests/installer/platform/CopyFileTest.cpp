// CopyFile: content and permission bits; no failure damages an earlier
// destination file or leaves a temporary file behind.
#include "PlatformTest.h"
#include "platform/FileSystem.h"

using platform::FileSystem;

class PlatformCopyFileTest : public PlatformTest
{
protected:
    void SetUp() override
    {
        PlatformTest::SetUp();
        mkdirAt("base");
        mkdirAt("dest");
        put("base/vexa.exe", "new");
        put("dest/vexa.exe", m_earlier);
    }

    void expectEarlierFileAlone()
    {
        EXPECT_EQ(read("dest/vexa.exe"), m_earlier);
        EXPECT_EQ(entries("dest"), QStringList {"vexa.exe"});
    }

    const QString m_source = at("base/vexa.exe");
    const QString m_target = at("dest/vexa.exe");
    const QByteArray m_earlier = "earlier version, longer than the new one\n";
};

TEST_F(PlatformCopyFileTest, CopiesContentAndPermissionBitsOverAnEarlierFile)
{
    QByteArray program(300 * 1024 + 7, '\0');
    for (qsizetype i = 0; i < program.size(); ++i)
        program[i] = char(i * 31 % 251);
    put("base/vexa.exe", program);
    chmodAt("base/vexa.exe", 0751);
    chmodAt("dest/vexa.exe", 0444);

    FileSystem().CopyFile(at("base//vexa.exe"), at("dest//vexa.exe"));

    EXPECT_EQ(read("dest/vexa.exe"), program);
    EXPECT_EQ(modeOf(m_target), 0751u);
    EXPECT_EQ(entries("dest"), QStringList {"vexa.exe"});
}

TEST_F(PlatformCopyFileTest, FailsOnMissingEntriesFoldersAndPipes)
{
    FileSystem fs;
    const QString missing = at("base/missing.exe");
    EXPECT_RAISES(fs.CopyFile(missing, m_target), FileNotFound, "CopyFile", missing);
    const QString noFolder = at("dest/sub/vexa.exe");
    EXPECT_RAISES(fs.CopyFile(m_source, noFolder), PathNotFound, "CopyFile", noFolder);
    EXPECT_RAISES(fs.CopyFile(at("base"), m_target), PathFileAccessError, "CopyFile", "base");
    // A pipe fails at once instead of waiting for a writer.
    pipeAt("base/pipe");
    EXPECT_RAISES(
        fs.CopyFile(at("base/pipe"), m_target), PathFileAccessError, "CopyFile", "base/pipe");
    // A folder where the file should go stays a folder.
    mkdirAt("dest/data");
    EXPECT_RAISES(
        fs.CopyFile(m_source, at("dest/data")), PathFileAccessError, "CopyFile", "dest/data");
    EXPECT_TRUE(QDir().rmdir(at("dest/data")));
    expectEarlierFileAlone();
}

// Read-only, and full half way through the copy.
TEST_F(PlatformCopyFileTest, UnwritableDestinationKeepsEarlierFile)
{
    put("base/vexa.exe", QByteArray(1024 * 1024, 'x'));
    for (const auto &[options, number] : {std::pair {QByteArray(), PermissionDenied},
             std::pair {QByteArray("size=128k"), DiskFull}}) {
        const Mount mount(at("dest"), options);
        SKIP_UNLESS_MOUNTED(mount);
        if (!options.isEmpty()) // a fresh file system
            put("dest/vexa.exe", m_earlier);
        EXPECT_RAISES(FileSystem().CopyFile(m_source, m_target), number, "CopyFile", m_target);
        expectEarlierFileAlone();
    }
}

TEST_F(PlatformCopyFileTest, UnreadableSourceKeepsEarlierFile)
{
    chmodAt("base/vexa.exe", 0600);
    giveToNobody(at("dest"));
    EXPECT_EQ(runAsNobody([&] {
        FileSystem().CopyFile(m_source, m_target);
        return 0;
    }),
        PermissionDenied);
    expectEarlierFileAlone();
}
