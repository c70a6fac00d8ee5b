// End-to-end: installations made by `install --unattended` from a fresh copy of the bundle, then
// removed by the uninstaller they carry, without a display (`--unattended`) and through its
// window on the test's own X server (see with-xvfb.sh). The whole test runs in a network of its
// own, so the installations' reports never leave the machine.
#include "IsolatedNetwork.h"
#include "UnattendedRun.h"
#include "platform/DesktopEntryWriter.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDirIterator>
#include <QThread>

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

class UninstallE2E : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SKIP_WITHOUT_ISOLATED_NETWORK();
        ASSERT_TRUE(root.isValid());
        env = userWithoutDisplay(root.path());
        QDir().mkpath(at("outside"));
        writeAll(at("outside/canary.txt"), "canary");
        QDirIterator it(bundleSource() + "/base", QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            installed << it.next().mid(bundleSource().size() + 5);
        ASSERT_TRUE(installed.contains("/uninstall"));
    }

    QString at(const QString &relative) const { return root.filePath(relative); }

    // An unattended installation into `folder` from a fresh copy of the bundle.
    void install(const QString &folder)
    {
        ASSERT_TRUE(copyBundle(at("安装 包")));
        const ProgramRun run = runProgram(
            at("安装 包/install"), {"--unattended", "--accept-agreement", "--folder", folder}, env);
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
    }
    ProgramRun uninstall(const QString &folder)
    {
        return runProgram(folder + "/uninstall", {"--unattended"}, env);
    }
    // The files the installations put outside their folders, and their content.
    QMap<QString, QByteArray> launchersAndSettings() const
    {
        QMap<QString, QByteArray> files;
        for (const char *relative : {"home/Desktop/VEXA.lnk", "home/Desktop/vexa.desktop",
                 "home/data/applications/vexa.desktop",
                 "home/data/applications/vexacaptScreen.desktop", "home/data/vexaconfig.txt",
                 "home/data/icons/hicolor/32x32/apps/vexa.png"}) {
            if (QFileInfo::exists(at(relative)))
                files.insert(relative, readAll(at(relative)));
        }
        return files;
    }
    // Installed files still in `folder`.
    QStringList installedLeftIn(const QString &folder) const
    {
        QStringList left;
        for (const QString &file : installed) {
            if (QFileInfo::exists(folder + file) || QFileInfo(folder + file).isSymLink())
                left << file;
        }
        return left;
    }

    QTemporaryDir root {QDir::tempPath() + "/卸载 e2e-XXXXXX"};
    QProcessEnvironment env;
    QStringList installed; // every file of the package, led by a separator
};

TEST_F(UninstallE2E, RemovesWhatWasInstalledAndNamesWhatItKeeps)
{
    const QString folder = at("客户 端");
    install(folder);
    ASSERT_EQ(launchersAndSettings().size(), 6);
    // The menu entry offers the removal, and still validates.
    const QString menuEntry = at("home/data/applications/vexa.desktop");
    EXPECT_TRUE(readAll(menuEntry).contains("\n[Desktop Action uninstall]\nName=卸载 VEXA\nExec="
        + platform::DesktopEntryWriter::execValue(folder + "/uninstall").toUtf8() + '\n'));
    QProcess validate;
    validate.start("desktop-file-validate", {menuEntry});
    validate.waitForFinished(15000);
    EXPECT_EQ(validate.exitCode(), 0) << validate.readAllStandardOutput().toStdString();
    EXPECT_EQ(validate.readAllStandardOutput(), QByteArray());

    // The user's own files, and links to the outside the user made inside the folder.
    writeAll(folder + "/logs/client.log", "log");
    QDir().mkpath(folder + "/mine");
    writeAll(folder + "/mine/notes.txt", "notes");
    writeAll(folder + "/res/own.txt", "own");
    ASSERT_TRUE(QFile::link(at("outside"), folder + "/outside-link"));
    ASSERT_TRUE(QFile::link(at("outside/canary.txt"), folder + "/res/canary-link"));

    const ProgramRun run = uninstall(folder);
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.err, QString());
    EXPECT_EQ(installedLeftIn(folder), QStringList());
    EXPECT_EQ(launchersAndSettings(), (QMap<QString, QByteArray>()));
    const QStringList kept {
        "/logs/client.log", "/mine/notes.txt", "/outside-link", "/res/canary-link", "/res/own.txt"};
    for (const QString &file : kept)
        EXPECT_TRUE(run.out.contains("保留 " + folder + file)) << file.toStdString();
    QStringList left;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
        QDirIterator::Subdirectories);
    while (it.hasNext())
        left << it.next().mid(folder.size());
    left.sort();
    EXPECT_EQ(left,
        (QStringList {"/logs", "/logs/client.log", "/mine", "/mine/notes.txt", "/outside-link",
            "/res", "/res/canary-link", "/res/own.txt"}));
    EXPECT_EQ(readAll(at("outside/canary.txt")), "canary");
    EXPECT_EQ(entriesOf(at("outside")), QStringList {"canary.txt"});
}

TEST_F(UninstallE2E, RemovingTheFirstOfTwoInstallationsKeepsTheSecondsLaunchers)
{
    install(at("first"));
    install(at("second"));
    const QMap<QString, QByteArray> second = launchersAndSettings();
    ASSERT_EQ(second.size(), 6);
    ASSERT_TRUE(second.value("home/data/vexaconfig.txt").startsWith(at("second").toUtf8()));

    const ProgramRun first = uninstall(at("first"));
    EXPECT_EQ(first.status, 0) << first.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(at("first")));
    EXPECT_EQ(launchersAndSettings(), second);
    EXPECT_TRUE(first.out.contains("保留 " + at("home/data/vexaconfig.txt")));

    EXPECT_EQ(uninstall(at("second")).status, 0);
    EXPECT_FALSE(QFileInfo::exists(at("second")));
    EXPECT_EQ(launchersAndSettings(), (QMap<QString, QByteArray>()));
}

TEST_F(UninstallE2E, TamperedRecordAndAnUnwritablePlaceAreNamedAndTheRestGoes)
{
    const QString folder = at("vexa");
    install(folder);
    // Entries naming a file outside, in every way a record can name one.
    const QString canary = at("outside/canary.txt");
    QByteArray record = readAll(folder + "/install-record.json");
    const QByteArray hash = QCryptographicHash::hash("canary", QCryptographicHash::Sha256).toHex();
    record.replace(
        "\"files\": [", "\"files\": [\"../outside/canary.txt\", \"" + canary.toUtf8() + "\", ");
    record.replace("\"outside\": [",
        "\"outside\": [{\"kind\": \"launcher\", \"path\": \"" + canary.toUtf8()
            + "\", \"sha256\": \"" + hash + "\"}, ");
    writeAll(folder + "/install-record.json", record);

    {
        const Mount readOnly(folder + "/res");
        ASSERT_TRUE(readOnly.ok()) << readOnly.error();
        const ProgramRun run = uninstall(folder);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err.count("拒绝 "), 3) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains("未能删除 " + folder + "/res/readme.txt"))
            << run.err.toStdString();
        EXPECT_EQ(readAll(canary), "canary");
        // Everything else went, but what a second run needs stays.
        EXPECT_FALSE(QFileInfo::exists(folder + "/vexa.exe"));
        EXPECT_TRUE(QFileInfo::exists(folder + "/uninstall"));
        EXPECT_TRUE(QFileInfo::exists(folder + "/install-record.json"));
        EXPECT_EQ(launchersAndSettings(), (QMap<QString, QByteArray>()));
    }
    // Writable again: the second run removes the rest; the refused entries are refused again.
    const ProgramRun again = uninstall(folder);
    EXPECT_EQ(again.status, 1);
    EXPECT_EQ(again.err.count("拒绝 "), 3) << again.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_EQ(readAll(canary), "canary");
}

// Runs a command to its end; its standard output, trimmed.
QByteArray run(const QStringList &command)
{
    QProcess process;
    process.start(command.first(), command.mid(1));
    process.waitForFinished(15000);
    return process.readAllStandardOutput().trimmed();
}

TEST_F(UninstallE2E, WindowRemovesNothingUntilConfirmed)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        GTEST_SKIP() << "needs an X server (with-xvfb.sh)";
    const QString folder = at("vexa");
    install(folder);
    const QByteArray before = listingOf(folder);
    const QMap<QString, QByteArray> launchers = launchersAndSettings();
    QProcessEnvironment withDisplay = env;
    withDisplay.insert("DISPLAY", qEnvironmentVariable("DISPLAY"));

    // Shown, then cancelled: nothing removed. Then confirmed: removed, and closed.
    for (const QString keys : {"space", "shift+Tab space"}) {
        SCOPED_TRACE(keys.toStdString());
        QProcess window;
        window.setProcessEnvironment(withDisplay);
        window.start(folder + "/uninstall");
        QByteArray id;
        const QDeadlineTimer deadline(20000);
        while (id.isEmpty() && !deadline.hasExpired()) {
            id = run({"xdotool", "search", "--onlyvisible", "--name", "^卸载 VEXA$"});
            QThread::msleep(100);
        }
        ASSERT_FALSE(id.isEmpty()) << window.readAllStandardError().toStdString();
        QThread::msleep(300); // the first frame
        const QString artifacts = QStringLiteral(ARTIFACTS_DIR);
        QDir().mkpath(artifacts);
        run({"import", "-window", "root", artifacts + "/uninstall-window.png"});
        EXPECT_EQ(listingOf(folder), before);
        EXPECT_EQ(launchersAndSettings(), launchers);

        run(QStringList {"xdotool", "windowfocus", "--sync", id, "key"} + keys.split(' '));
        if (keys == "space") {
            EXPECT_TRUE(window.waitForFinished(15000));
            EXPECT_EQ(window.exitCode(), 4);
            EXPECT_EQ(listingOf(folder), before);
            continue;
        }
        const QDeadlineTimer removal(20000);
        while (QFileInfo::exists(folder) && !removal.hasExpired())
            QThread::msleep(100);
        EXPECT_FALSE(QFileInfo::exists(folder));
        run({"import", "-window", "root", artifacts + "/uninstall-done.png"});
        EXPECT_EQ(launchersAndSettings(), (QMap<QString, QByteArray>()));
        // The window stays, showing what became of each entry, until it is closed.
        EXPECT_FALSE(window.waitForFinished(300));
        run({"xdotool", "windowfocus", "--sync", id, "key", "space"});
        EXPECT_TRUE(window.waitForFinished(15000));
        EXPECT_EQ(window.exitCode(), 0);
    }
}

} // namespace

int main(int argc, char **argv)
{
    return runTestsInIsolatedNetwork(argc, argv, "localhost");
}
