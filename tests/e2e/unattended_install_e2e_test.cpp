// End-to-end: the real installer started with --unattended, without any display, on a fresh copy
// of its bundle below a path with blanks and Chinese characters. The whole test runs in a network
// of its own where the maker's host is this machine, so the report reaches the test's server on
// 127.0.0.1:80 and nothing leaves the machine.
#include "IsolatedNetwork.h"
#include "ShortcutReaders.h"
#include "UnattendedRun.h"
#include "platform/DesktopEntryWriter.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

// Takes the request line of every GET sent to the maker's host; never answers.
class ReportServer
{
public:
    ReportServer()
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    QByteArray &received = m_received[socket];
                    received += socket->readAll();
                    if (received.contains("\r\n\r\n"))
                        m_requests << received.left(received.indexOf("\r\n"));
                });
            }
        });
        m_server.listen(QHostAddress::LocalHost, 80);
    }
    bool listening() const { return m_server.isListening(); }

    // The requests received within `waitMs`, or as soon as one is there when `waitMs` is long.
    QList<QByteArray> requests(int waitMs)
    {
        const QDeadlineTimer deadline(waitMs);
        while (!deadline.hasExpired() && (waitMs < 1000 || m_requests.isEmpty()))
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        // Room for a second request, which must not come.
        QCoreApplication::processEvents(QEventLoop::AllEvents, 200);
        return std::exchange(m_requests, {});
    }

private:
    QTcpServer m_server;
    QMap<QTcpSocket *, QByteArray> m_received;
    QList<QByteArray> m_requests;
};

class UnattendedInstallE2E : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SKIP_WITHOUT_ISOLATED_NETWORK();
        ASSERT_TRUE(root.isValid());
        ASSERT_TRUE(server.listening());
        ASSERT_TRUE(copyBundle(prog));
        pristine = listingOf(prog + "/base");
        env = userWithoutDisplay(root.path());
    }

    ProgramRun install(const QStringList &arguments)
    {
        return runProgram(prog + "/install", arguments, env);
    }
    QString at(const QString &relative) const { return root.filePath(relative); }
    // Every entry the user's own folders hold.
    QStringList userFiles() const
    {
        QStringList files;
        QDirIterator it(at("home"), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
            QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
        return files;
    }

    QTemporaryDir root {QDir::tempPath() + "/无人值守 e2e-XXXXXX"};
    const QString prog = at("安装 包");
    QByteArray pristine;
    QProcessEnvironment env;
    ReportServer server;
};

TEST_F(UnattendedInstallE2E, InstallsWithoutADisplayAsTheWindowDoes)
{
    const QString folder = at("目标 folder/vexa");
    QDir().mkpath(at("目标 folder"));
    QElapsedTimer clock;
    clock.start();
    const ProgramRun run = install({"--unattended", "--accept-agreement", "--folder", folder});
    const qint64 elapsed = clock.elapsed();
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.err, QString()) << run.err.toStdString();

    // The package file for file, modes too; one progress line a file.
    EXPECT_EQ(installedListingOf(folder), pristine);
    EXPECT_EQ(QProcess::execute(
                  "diff", {"-r", "-x", "install-record.json", bundleSource() + "/base", folder}),
        0);
    const int files = int(pristine.count(" f "));
    EXPECT_EQ(run.out.count(QRegularExpression(QStringLiteral("^\\[\\d+/%1\\] /").arg(files),
                  QRegularExpression::MultilineOption)),
        files)
        << run.out.toStdString();
    std::cout << files << " files installed in " << elapsed << " ms\n";

    // Settings file, shortcut and both desktop entries name the folder; the package is gone.
    EXPECT_EQ(readAll(at("home/data/vexaconfig.txt")), (folder + '\n').toUtf8());
    ASSERT_TRUE(shortcutReadersPresent());
    EXPECT_EQ(readWithLnkinfo(at("home/Desktop/VEXA.lnk")).target, folder + "/vexa.exe");
    const QByteArray exec
        = "\nExec=" + platform::DesktopEntryWriter::execValue(folder + "/vexa.exe").toUtf8() + '\n';
    EXPECT_TRUE(readAll(at("home/data/applications/vexa.desktop")).contains(exec));
    EXPECT_TRUE(readAll(at("home/Desktop/vexa.desktop")).contains(exec));
    EXPECT_FALSE(QFileInfo::exists(prog + "/base"));
    EXPECT_TRUE(QFileInfo::exists(prog + "/install"));

    // One report, gone out before the program ended.
    const QList<QByteArray> reports = server.requests(10000);
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].startsWith("GET /api.php?a=clientinstall&now=")) << reports[0].data();
    EXPECT_TRUE(reports[0].endsWith("&version=1.3 HTTP/1.1")) << reports[0].data();

    // From a read-only shared copy, the package kept; without --folder, the remembered folder.
    ASSERT_TRUE(copyBundle(prog));
    const Mount readOnly(prog);
    ASSERT_TRUE(readOnly.ok()) << readOnly.error();
    QDir(folder).removeRecursively();
    const ProgramRun kept = install({"--unattended", "--accept-agreement", "--keep-package"});
    ASSERT_EQ(kept.status, 0) << kept.err.toStdString();
    EXPECT_EQ(listingOf(prog + "/base"), pristine);
    EXPECT_EQ(installedListingOf(folder), pristine);
    EXPECT_EQ(server.requests(10000).size(), 1);
}

TEST_F(UnattendedInstallE2E, RefusalsAndUsageErrorsWriteNothing)
{
    const QString folder = at("vexa");
    const QString inPackage
        = QStringLiteral("不能安装到安装包文件夹 base 或其中的文件夹：安装结束时会删除它。");
    struct Case
    {
        QStringList arguments;
        int status;
        QString reason;
        bool brokenPackage = false;
    } cases[] = {
        {{"--unattended", "--folder", folder}, 3, QStringLiteral("请先同意安装协议")},
        {{"--unattended", "--accept-agreement", "--folder", prog + "/base/vexa"}, 3, inPackage},
        {{"--unattended", "--accept-agreement", "--folder", "vexa"}, 3,
            QStringLiteral("安装路径必须是完整路径（以 / 开头）")},
        {{"--unattended", "--accept-agreement", "--folder", folder, "--bogus"}, 2,
            QStringLiteral("--unattended --accept-agreement [--folder PATH] [--keep-package]")},
        {{"--accept-agreement", "--folder", folder}, 2, QStringLiteral("--unattended")},
        {{"--unattended", "--accept-agreement", "--folder", folder}, 3,
            QStringLiteral("安装程序已损坏，请重新下载"), true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        if (c.brokenPackage)
            QFile::remove(prog + "/base/vexa.exe");
        const QByteArray package = listingOf(prog + "/base");
        const ProgramRun run = install(c.arguments);
        EXPECT_EQ(run.status, c.status);
        EXPECT_TRUE(run.err.contains(c.reason)) << run.err.toStdString();
        EXPECT_EQ(run.out, QString());
        EXPECT_EQ(listingOf(prog + "/base"), package);
        EXPECT_FALSE(QFileInfo::exists(folder) || QFileInfo::exists(prog + "/base/vexa"));
        EXPECT_EQ(userFiles().join(" ").toStdString(), "");
    }
    EXPECT_EQ(server.requests(300), QList<QByteArray>());

    // Help is the usage, on standard output.
    const ProgramRun help = install({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains("--keep-package") && help.err.isEmpty());
}

TEST_F(UnattendedInstallE2E, DiskFullMidCopyLeavesNoPartOfAFile)
{
    // A file too large for what is left of a small disk, copied after the top's files.
    QDir().mkpath(prog + "/base/res");
    writeAll(prog + "/base/res/big.dat", QByteArray(8 << 20, 'x'));
    qint64 before = 0;
    QDirIterator it(prog + "/base", QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        before += it.next() == prog + "/base/res/big.dat" ? 0 : it.fileInfo().size();
    const QByteArray package = listingOf(prog + "/base");
    const QString folder = at("small disk");
    QDir().mkpath(folder);
    const Mount disk(folder, "size=" + QByteArray::number(before + (1 << 20)));
    ASSERT_TRUE(disk.ok()) << disk.error();

    const ProgramRun run = install({"--unattended", "--accept-agreement", "--folder", folder});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(
        QStringLiteral("运行时错误 61：CopyFile \"%1/res/big.dat\": Disk full").arg(folder)))
        << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("/res/big.dat"));
    // The files before it are whole, it is not there at all, nor any temporary file.
    EXPECT_EQ(readAll(folder + "/vexa.exe"), readAll(prog + "/base/vexa.exe"));
    EXPECT_EQ(QDir(folder + "/res").entryList(QDir::Files | QDir::Hidden), QStringList());
    EXPECT_EQ(listingOf(prog + "/base"), package);
    EXPECT_FALSE(QFileInfo::exists(at("home/data/vexaconfig.txt")));
    EXPECT_EQ(server.requests(300), QList<QByteArray>());
}

} // namespace

int main(int argc, char **argv)
{
    return runTestsInIsolatedNetwork(argc, argv, "localhost " MAKER_HOST);
}
