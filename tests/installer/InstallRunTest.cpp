// The installation run on real temporary package trees: scan, paced copy, finish.
#include "InstallRecord.h"
#include "InstallReport.h"
#include "InstallerFixture.h"
#include "ShortcutReaders.h"
#include "platform/DesktopEntryWriter.h"

#include <QImage>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QUrlQuery>

namespace {

using InstallRunTest = InstallerFixture;

TEST_F(InstallRunTest, ManifestIsPreOrderAndTheTreeArrivesWhole)
{
    // Nested folders, empty ones, a folder of only folders; commas, blanks, non-ASCII names.
    const std::pair<QStringList, QStringList> cases[] = {
        {{"vexa.exe", "favicon.ico", "R/a.txt", "R/S/B", "only/deep/x.dat", "empty/", "only/o/"},
            {"/favicon.ico", "/vexa.exe", "/R/a.txt", "/R/S/B", "/only/deep/x.dat"}},
        {{"vexa.exe", "a,b.txt", " lead/trail ", "x,y/z", "目录 一/文件,2.dat"},
            {"/a,b.txt", "/vexa.exe", "/ lead/trail ", "/x,y/z", "/目录 一/文件,2.dat"}},
    };
    for (const auto &[entries, manifest] : cases) {
        SCOPED_TRACE(manifest.join(' ').toStdString());
        errors.clear();
        for (const QString &entry : entries) {
            if (entry.endsWith('/'))
                QDir().mkpath(at("prog/base/" + entry));
            else
                put("prog/base/" + entry);
        }
        const auto package = treeOf(at("prog/base"));
        QDir(at("inst")).removeRecursively();
        const auto form = makeForm(at("inst"));
        start(*form);
        EXPECT_EQ(form->files, manifest);
        EXPECT_EQ(ticksToEnd(*form), manifest.size() + 1);
        EXPECT_TRUE(errors.empty());
        EXPECT_EQ(installedTree(at("inst")), package);
        EXPECT_FALSE(QFileInfo::exists(at("prog/base")));
    }
}

TEST_F(InstallRunTest, LinksAreNeverFollowedOutOfThePackage)
{
    put("prog/base/vexa.exe");
    put("prog/base/R/a.txt");
    put("outside/secret.txt");
    link("a.txt", "prog/base/R/alias"); // inside: installed as a copy of its content
    link("..", "prog/base/R/loop");
    link("self", "prog/base/self");
    link(at("outside"), "prog/base/outdir");
    const auto form = makeForm(at("inst"));
    start(*form);
    ticksToEnd(*form);
    EXPECT_TRUE(errors.empty());
    const QMap<QString, QByteArray> installed {{"/vexa.exe", "prog/base/vexa.exe"}, {"/R", "<dir>"},
        {"/R/a.txt", "prog/base/R/a.txt"}, {"/R/alias", "prog/base/R/a.txt"}};
    EXPECT_EQ(installedTree(at("inst")), installed);
    // The package is gone, the folder its link pointed to is not.
    EXPECT_FALSE(QFileInfo::exists(at("prog/base")));
    EXPECT_EQ(readAll(at("outside/secret.txt")), "outside/secret.txt");

    // A file link leading out is refused: at the scan, before anything changes...
    put("prog/base/vexa.exe");
    link(at("outside/secret.txt"), "prog/base/evil");
    const auto refused = makeForm(at("inst2"));
    start(*refused);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].number, 75);
    EXPECT_TRUE(errors[0].description.contains("ScanPackage \"" + at("prog/base/evil")));
    EXPECT_FALSE(refused->Timer1->isActive());
    EXPECT_EQ(refused->Command1->text(), QStringLiteral("开始安装"));
    // ... and at the copy, when the package changed after the scan.
    QFile::remove(at("prog/base/evil"));
    start(*refused);
    QFile::remove(at("prog/base/vexa.exe"));
    link(at("outside/secret.txt"), "prog/base/vexa.exe");
    tick(*refused);
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_TRUE(errors[1].description.contains("CopyFile \"" + at("prog/base/vexa.exe")));
    EXPECT_FALSE(QFileInfo::exists(at("inst2/vexa.exe")));
    EXPECT_EQ(refused->fileIndex, 0);
}

TEST_F(InstallRunTest, ExistingFolderGetsNewerFilesAndKeepsOthers)
{
    put("prog/base/vexa.exe");
    put("prog/base/R/a.txt");
    put("inst/vexa.exe");
    put("inst/keep.txt");
    put("inst/R/old.txt");
    const auto form = makeForm(at("inst") + '/'); // a trailing separator names the same folders
    start(*form);
    ticksToEnd(*form);
    const QMap<QString, QByteArray> installed {{"/vexa.exe", "prog/base/vexa.exe"},
        {"/keep.txt", "inst/keep.txt"}, {"/R", "<dir>"}, {"/R/old.txt", "inst/R/old.txt"},
        {"/R/a.txt", "prog/base/R/a.txt"}};
    EXPECT_EQ(installedTree(at("inst")), installed);
}

TEST_F(InstallRunTest, ReinstallRemovesOnlyWhatTheNewPackageLacks)
{
    const auto install = [this](const QStringList &package) {
        for (const QString &file : package)
            put("prog/base/" + file);
        const auto form = makeForm(at("inst"));
        start(*form);
        ticksToEnd(*form);
        EXPECT_TRUE(errors.empty());
    };
    install({"vexa.exe", "old.txt", "R/gone.txt", "R/keep.txt", "Old/x", "Gone/y"});
    put("inst/user.txt");
    put("inst/Old/mine.txt");
    install({"vexa.exe", "R/keep.txt"});

    const QMap<QString, QByteArray> left {{"/vexa.exe", "prog/base/vexa.exe"}, {"/R", "<dir>"},
        {"/R/keep.txt", "prog/base/R/keep.txt"}, {"/user.txt", "inst/user.txt"}, {"/Old", "<dir>"},
        {"/Old/mine.txt", "inst/Old/mine.txt"}};
    EXPECT_EQ(installedTree(at("inst")), left);
    // The folder the user's file keeps stays recorded, to go once it is empty.
    const InstallRecord record = readInstallRecord(at("inst")).record;
    EXPECT_EQ(record.files, (QStringList {"vexa.exe", "R/keep.txt"}));
    EXPECT_EQ(record.folders, (QStringList {"R", "Old"}));
}

TEST_F(InstallRunTest, RefusalsAndAFailedScanChangeNothing)
{
    put("prog/base/favicon.ico");
    put("prog/base/R/a.txt");
    put("old/vexa.exe"); // a client there is not opened before an installation
    link(at("prog/base"), "通道");
    const QString inPackage
        = QStringLiteral("不能安装到安装包文件夹 base 或其中的文件夹：安装结束时会删除它。"
                         "请另选一个文件夹");
    const QString relative
        = QStringLiteral("安装路径必须是完整路径（以 / 开头），请另选一个文件夹");
    struct Case
    {
        bool agreed;
        bool package;
        QString folder;
        QString tip;
        int error;
    } cases[] = {
        {false, true, at("old"), QStringLiteral("请先同意安装协议"), 0},
        {true, false, at("inst"), QStringLiteral("安装程序已损坏，请重新下载"), 0},
        {true, true, at("no/parent"), QString(), 76},
        {true, true, at("prog/base"), inPackage, 0},
        {true, true, at("prog/base/R/"), inPackage, 0},
        {true, true, at("prog/base/vexa"), inPackage, 0},
        {true, true, at("通道/vexa"), inPackage, 0},
        {true, true, QStringLiteral("client"), relative, 0},
        {true, true, QString(""), relative, 0},
    };
    for (const Case &c : cases) {
        tips.clear();
        errors.clear();
        if (c.package)
            put("prog/base/vexa.exe");
        else
            QFile::remove(at("prog/base/vexa.exe"));
        const auto package = treeOf(at("prog/base"));
        const auto form = makeForm(c.folder);
        form->fileList = {"x"};
        form->files = {"y"};
        form->fileIndex = 7;
        form->Check1->setChecked(c.agreed);
        form->Command1->click();
        EXPECT_EQ(tips, c.tip.isNull() ? QStringList() : QStringList {c.tip});
        EXPECT_EQ(errors.empty() ? 0 : errors[0].number, c.error);
        EXPECT_EQ(form->Check1->isChecked(), c.agreed);
        EXPECT_EQ(form->Command1->text(), QStringLiteral("开始安装"));
        EXPECT_TRUE(form->Command1->isEnabled() && form->Command2->isEnabled());
        EXPECT_FALSE(form->path->isReadOnly());
        EXPECT_EQ(form->path->text(), c.folder);
        EXPECT_FALSE(form->Timer1->isActive() || form->installed);
        EXPECT_EQ(form->files, QStringList {"y"});
        EXPECT_EQ(form->fileIndex, 7);
        EXPECT_FALSE(QFileInfo::exists(at("inst")));
        EXPECT_EQ(treeOf(at("prog/base")), package);
        EXPECT_TRUE(entriesOf(at("data")).isEmpty() && entriesOf(at("desk")).isEmpty());
        EXPECT_TRUE(started.isEmpty());
    }
}

TEST_F(InstallRunTest, OneCopyPerTickWithExactCaptionsThenTheFinish)
{
    for (const int n : {1, 10}) {
        SCOPED_TRACE(n);
        const QString inst = at(QStringLiteral("inst%1").arg(n));
        put("prog/base/vexa.exe");
        for (int i = 1; i < n; ++i)
            put(QStringLiteral("prog/base/f%1").arg(i));
        const auto form = makeForm(inst);
        start(*form);
        EXPECT_EQ(form->Command1->text(), QStringLiteral("安装中..."));
        EXPECT_FALSE(form->Command1->isEnabled() || form->Command2->isEnabled());
        EXPECT_TRUE(form->Timer1->isActive());
        for (int i = 0; i < n; ++i) {
            EXPECT_EQ(QDir(inst).entryList(QDir::Files).size(), i);
            tick(*form);
            EXPECT_EQ(form->Command1->text(), QStringLiteral("安装中(%1/%2)...").arg(n - 1).arg(i));
            EXPECT_EQ(form->fileIndex, i + 1);
            EXPECT_TRUE(form->path->isReadOnly() && form->Timer1->isActive());
            EXPECT_FALSE(form->Command1->isEnabled() || form->Command2->isEnabled());
        }
        tick(*form);
        EXPECT_FALSE(form->Timer1->isActive());
        EXPECT_EQ(QDir(inst).entryList(QDir::Files).size(), n + 1); // and the record
        EXPECT_EQ(form->Command1->text(), QStringLiteral("安装完成,打开软件"));
        EXPECT_TRUE(form->installed && form->Command1->isEnabled());
        EXPECT_FALSE(form->Command2->isEnabled() || form->path->isReadOnly());
        EXPECT_TRUE(errors.empty());
    }
}

TEST_F(InstallRunTest, FailedCopyStopsTheTimerAndDoesNotAdvance)
{
    // A read-only target keeps its earlier file; a full disk leaves no partial file.
    for (const auto &[options, number] : {std::pair<QByteArray, int> {{}, 70}, {"size=64k", 61}}) {
        SCOPED_TRACE(number);
        errors.clear();
        put("prog/base/vexa.exe");
        put("prog/base/a/1");
        QDir().mkpath(at("prog/base/b"));
        writeAll(at("prog/base/b/2"), QByteArray(256 * 1024, 'x'));
        const auto package = treeOf(at("prog/base"));
        const auto form = makeForm(at("inst"));
        start(*form);
        put("inst/b/2");
        const Mount mount(at("inst/b"), options);
        if (!mount.ok())
            GTEST_SKIP() << mount.error();
        ticksToEnd(*form);
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_EQ(errors[0].number, number);
        EXPECT_TRUE(errors[0].description.contains("CopyFile \"" + at("inst/b/2")));
        EXPECT_EQ(form->fileIndex, 2);
        EXPECT_EQ(form->Command1->text(), QStringLiteral("安装中(2/2)..."));
        EXPECT_FALSE(form->Timer1->isActive() || form->installed);
        EXPECT_EQ(entriesOf(at("inst/b")), options.isEmpty() ? QStringList {"2"} : QStringList());
        if (options.isEmpty()) {
            EXPECT_EQ(readAll(at("inst/b/2")), "inst/b/2");
        }
        EXPECT_EQ(readAll(at("inst/a/1")), "prog/base/a/1");
        EXPECT_EQ(treeOf(at("prog/base")), package);
    }
}

TEST_F(InstallRunTest, SecondInstallationReplacesLaunchersAndSettings)
{
    ASSERT_TRUE(shortcutReadersPresent());
    // The folder as typed, a trailing separator too, goes to the settings file and the launchers.
    // The first package's icon is a real one; the second's is not, so its entry has none.
    const QString folders[] = {at("first"), at("第二 次") + '/'};
    for (const QString &folder : folders) {
        put("prog/base/vexa.exe");
        if (folder == folders[0])
            QFile::copy(QStringLiteral(DEMO_ICON), at("prog/base/favicon.ico"));
        else
            put("prog/base/favicon.ico");
        const auto form = makeForm(QString());
        if (folder != folders[0]) {
            EXPECT_EQ(form->path->text(), folders[0]); // remembered by the first finish
        }
        form->path->setText(folder);
        start(*form);
        ticksToEnd(*form);
        EXPECT_TRUE(errors.empty());
        EXPECT_EQ(readAll(at("data/vexaconfig.txt")), (folder + '\n').toUtf8());
        for (const auto &read :
            {readWithLnkinfo(at("desk/VEXA.lnk")), readWithExiftool(at("desk/VEXA.lnk"))}) {
            EXPECT_EQ(read.target, folder + "/vexa.exe");
            EXPECT_EQ(read.icon, folder + "/favicon.ico");
        }
        const platform::DesktopEntry entry {"VEXA", "VEXA即时通信", folder + "/vexa.exe", folder,
            folder == folders[0] ? "vexa" : "", "Network;InstantMessaging;", {}};
        const QByteArray text = platform::DesktopEntryWriter::build(entry);
        EXPECT_EQ(readAll(at("data/applications/vexa.desktop")), text);
        EXPECT_EQ(readAll(at("desk/vexa.desktop")), text);
        EXPECT_EQ(modeOf(at("data/applications/vexa.desktop")), 0644u);
        EXPECT_EQ(modeOf(at("desk/vexa.desktop")), 0755u);
        // Beside it, hidden, the capture tool's grant of KWin's screenshot interface.
        const QByteArray grant = readAll(at("data/applications/vexacaptScreen.desktop"));
        EXPECT_TRUE(grant.contains("\nExec=\"" + (folder + "/vexacaptScreen").toUtf8() + "\"\n"))
            << grant.toStdString();
        EXPECT_TRUE(grant.contains("\nNoDisplay=true\n"));
        EXPECT_TRUE(
            grant.contains("\nX-KDE-DBUS-Restricted-Interfaces=org.kde.KWin.ScreenShot2\n"));
        EXPECT_EQ(modeOf(at("data/applications/vexacaptScreen.desktop")), 0644u);
    }
    EXPECT_EQ(entriesOf(at("desk")), (QStringList {"VEXA.lnk", "vexa.desktop"}));
    EXPECT_EQ(entriesOf(at("data")), (QStringList {"applications", "icons", "vexaconfig.txt"}));
    EXPECT_EQ(entriesOf(at("data/applications")),
        (QStringList {"vexa.desktop", "vexacaptScreen.desktop"}));
    EXPECT_EQ(QImage(at("data/icons/hicolor/32x32/apps/vexa.png"), "PNG").size(), QSize(32, 32));
}

TEST_F(InstallRunTest, LauncherThatCannotBeWrittenStopsTheFinish)
{
    // The shortcut before it is written; the settings file and the package removal after it
    // do not happen.
    put("prog/base/vexa.exe");
    QDir().mkpath(at("desk/vexa.desktop"));
    const auto form = makeForm(at("inst"));
    start(*form);
    ticksToEnd(*form);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].number, 75);
    EXPECT_TRUE(errors[0].description.contains("Save \"" + at("desk/vexa.desktop")));
    EXPECT_TRUE(form->installed);
    EXPECT_TRUE(QFileInfo::exists(at("desk/VEXA.lnk")));
    EXPECT_TRUE(QFileInfo::exists(at("data/applications/vexa.desktop")));
    EXPECT_FALSE(QFileInfo::exists(at("data/vexaconfig.txt")));
    EXPECT_TRUE(QFileInfo::exists(at("prog/base/vexa.exe")));
}

TEST_F(InstallRunTest, ReportIsOneValidGetOfTheLocaleTimeAndNeverHoldsTheWindow)
{
    // A server that never answers keeps the request open; a port just closed refuses at once.
    for (const bool listening : {true, false}) {
        SCOPED_TRACE(listening);
        QTcpServer server;
        QByteArray received; // every byte sent to the server
        server.listen(QHostAddress::LocalHost);
        QObject::connect(&server, &QTcpServer::newConnection, [&] {
            QTcpSocket *socket = server.nextPendingConnection();
            QObject::connect(socket, &QTcpSocket::readyRead,
                [&received, socket] { received += socket->readAll(); });
        });
        reportServer = QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(server.serverPort()));
        if (!listening)
            server.close();
        put("prog/base/vexa.exe");
        const auto form = makeForm(at(listening ? "a" : "b"));
        start(*form);
        tick(*form);
        const QString before = reportTime(QDateTime::currentDateTime());
        tick(*form);
        const QString after = reportTime(QDateTime::currentDateTime());
        EXPECT_TRUE(form->installed && QFileInfo::exists(at("data/vexaconfig.txt")));
        if (listening) {
            // The finish did not wait: the request only goes out once the event loop runs.
            EXPECT_TRUE(received.isEmpty());
            ASSERT_TRUE(QTest::qWaitFor([&] { return received.contains("\r\n\r\n"); }, 10000));
            QTest::qWait(300); // room for a second request, which must not come
            ASSERT_EQ(received.count("\r\n\r\n"), 1) << received.toStdString();
            const QList<QByteArray> line = received.left(received.indexOf('\r')).split(' ');
            ASSERT_EQ(line.size(), 3) << received.toStdString();
            EXPECT_EQ(line[0], "GET");
            EXPECT_EQ(line[2], "HTTP/1.1");
            const QUrl target = QUrl::fromEncoded(line[1], QUrl::StrictMode);
            EXPECT_EQ(target.path(), QStringLiteral("/api.php"));
            const QUrlQuery query(target);
            EXPECT_EQ(query.queryItems(QUrl::FullyDecoded).size(), 3);
            EXPECT_EQ(query.queryItemValue("a"), QStringLiteral("clientinstall"));
            EXPECT_EQ(query.queryItemValue("version"), QStringLiteral("1.3"));
            const QString now = query.queryItemValue("now", QUrl::FullyDecoded);
            EXPECT_TRUE(now == before || now == after) << now.toStdString();
        }
        bool handled = false;
        QTimer::singleShot(0, form.get(), [&handled] { handled = true; });
        EXPECT_TRUE(QTest::qWaitFor([&handled] { return handled; }, 1000));
        QTest::qWait(200);
        EXPECT_TRUE(errors.empty() && tips.empty());
    }
}

TEST(InstallReportUrlTest, OnlyTheOriginCountsAndTheTimeSurvivesEncoding)
{
    const QString times[] = {QStringLiteral("6/14/25 3:04 PM"),
        QStringLiteral("2025/6/14 下午3:04"), QStringLiteral("a+b&c=d#e%f?g h\u202F")};
    for (const QString &now : times) {
        const QUrl url = installReportUrl(QUrl("http://user@h.example:8080/x?y#z"), now);
        const QByteArray text = url.toEncoded();
        EXPECT_TRUE(text.startsWith("http://h.example:8080/api.php?a=clientinstall&now="));
        EXPECT_TRUE(text.endsWith("&version=1.3"));
        EXPECT_FALSE(
            std::any_of(text.begin(), text.end(), [](char c) { return c <= ' ' || c > '~'; }));
        EXPECT_EQ(QUrlQuery(url).queryItemValue("now", QUrl::FullyDecoded), now);
    }
}

} // namespace
