#include "InstallPath.h"
#include "platform/PlatformError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class InstallPathTest : public ::testing::Test
{
protected:
    QString settings() const { return dir.path() + QStringLiteral("/vexaconfig.txt"); }
    QString fallback() const { return dir.path() + QStringLiteral("/vexa"); }
    QString read() const { return readInstallPath(dir.path()); }
    void write(const QByteArray &content) const
    {
        QFile file(settings());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(content), content.size());
    }

    QTemporaryDir dir;
};

TEST_F(InstallPathTest, FirstLineIsTakenAsWritten)
{
    const std::pair<QByteArray, QString> cases[] = {
        {"/opt/a,b/vexa\n", QStringLiteral("/opt/a,b/vexa")},
        {"/opt/x\ny\n", QStringLiteral("/opt/x")},
        {"/opt/x\r\ny\r\n", QStringLiteral("/opt/x")},
        {"/opt/no line end", QStringLiteral("/opt/no line end")},
        {"\"/opt/quoted\"\n", QStringLiteral("\"/opt/quoted\"")},
        {"/srv/应用/vexa\n", QStringLiteral("/srv/应用/vexa")},
    };
    for (const auto &[content, expected] : cases) {
        write(content);
        EXPECT_EQ(read(), expected) << content.toStdString();
    }
}

TEST_F(InstallPathTest, NoFileOrUnusableContentGivesDefaultFolder)
{
    EXPECT_EQ(read(), fallback());
    const QByteArray cases[] = {
        QByteArray(),
        "\n/opt/second\n",
        "\r\n",
        QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\x01\0", 20),
        "/opt/\xff\xfe/vexa\n",
        "/opt/\xe6\x96", // a sequence cut short at the end
        QByteArray("/opt/x\0y\n", 9),
    };
    for (const QByteArray &content : cases) {
        write(content);
        EXPECT_EQ(read(), fallback()) << content.toHex().toStdString();
    }
    // Not a regular file: a folder, a link to an endless device.
    ASSERT_TRUE(QFile::remove(settings()) && QDir(dir.path()).mkdir("vexaconfig.txt"));
    EXPECT_EQ(read(), fallback());
    ASSERT_TRUE(QDir(dir.path()).rmdir("vexaconfig.txt"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), settings()));
    EXPECT_EQ(read(), fallback());
}

// Bytes this process has read so far, as the kernel counts them.
long long bytesReadByProcess()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : io.readAll().split('\n')) {
        if (line.startsWith("rchar:"))
            return line.mid(6).trimmed().toLongLong();
    }
    return -1;
}

TEST_F(InstallPathTest, FilesOverThirtyTwoKiBGiveDefaultWithoutBeingRead)
{
    constexpr qsizetype cap = 32 * 1024;
    QByteArray content = "/opt/x\n";
    content.append(QByteArray(cap - content.size(), 'a'));
    write(content);
    EXPECT_EQ(read(), QStringLiteral("/opt/x"));
    write(content + 'a');
    EXPECT_EQ(read(), fallback());

    std::filesystem::resize_file(settings().toStdString(), 100 * 1024 * 1024);
    const long long before = bytesReadByProcess();
    ASSERT_GE(before, 0);
    EXPECT_EQ(read(), fallback());
    EXPECT_LT(bytesReadByProcess() - before, 2 * (cap + 1));
}

// A reader that blocks would hang the child; the alarm then ends it with a signal.
using InstallPathDeathTest = InstallPathTest;

TEST_F(InstallPathDeathTest, FifoDoesNotHang)
{
    ASSERT_EQ(::mkfifo(settings().toLocal8Bit().constData(), 0600), 0);
    EXPECT_EXIT(
        {
            ::alarm(10);
            std::_Exit(read() == fallback() ? 0 : 2);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(InstallPathDeathTest, UnreadableFileRaisesErrorWithNumber)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to read the file as another user";
    write("/opt/x\n");
    ASSERT_EQ(::chmod(dir.path().toLocal8Bit().constData(), 0755), 0);
    ASSERT_EQ(::chmod(settings().toLocal8Bit().constData(), 0600), 0);
    EXPECT_EXIT(
        {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0)
                std::_Exit(3);
            try {
                read();
            } catch (const platform::PlatformError &error) {
                const bool named = error.description().contains(QStringLiteral("vexaconfig.txt"));
                std::_Exit(
                    error.number() == platform::PlatformError::PermissionDenied && named ? 0 : 4);
            }
            std::_Exit(5);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
