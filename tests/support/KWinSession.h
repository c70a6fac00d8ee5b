#pragma once

// What the programs run on the headless KWin session (tests/e2e/with-kwin.sh)
// share: the capture tool installed as the installer installs it, the grants
// of the programs' own helpers, and the pointer and keyboard of fake input.
#include "Launchers.h"
#include "platform/Shell.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <linux/input-event-codes.h>

namespace testsupport {

// Where the capture tool is installed in the session's home.
inline QString kwinInstallFolder()
{
    return QDir::home().filePath(QStringLiteral("安装 目录"));
}

// A hidden entry that names `program` for one of KWin's restricted interfaces:
// `key` X-KDE-DBUS-Restricted-Interfaces or X-KDE-Wayland-Interfaces.
inline bool grant(const QString &program, const char *key, const char *interface)
{
    const QString folder = platform::Shell().SpecialFolders(QStringLiteral("AppData"))
        + QStringLiteral("/applications");
    QFile entry(folder + u'/' + QFileInfo(program).fileName() + QStringLiteral(".desktop"));
    return QDir().mkpath(folder) && entry.open(QIODevice::WriteOnly)
        && entry.write("[Desktop Entry]\nType=Application\nName=test helper\nExec=\""
               + QFile::encodeName(program) + "\"\nNoDisplay=true\n" + key + '=' + interface + '\n')
        > 0;
}

// Run before KWin starts (with-kwin.sh --before), in the session's home: the
// capture tool copied into kwinInstallFolder() and its launchers written by the
// installer's own writeLaunchers, so KWin grants it as it grants an installed
// one; `screenshotClient` granted KWin's screenshot interface and `inputClient`
// its fake input. Needs a QCoreApplication. False when anything failed.
inline bool prepareKWinSession(
    const QString &captureTool, const QString &screenshotClient, const QString &inputClient)
{
    const QString folder = kwinInstallFolder();
    const QString installed = folder + QStringLiteral("/vexacaptScreen");
    if (!QDir().mkpath(folder) || !QFile::copy(captureTool, installed))
        return false;
    const platform::Shell shell;
    writeLaunchers({QString(), shell.SpecialFolders(QStringLiteral("AppData")),
                       shell.SpecialFolders(QStringLiteral("desktop"))},
        folder);
    return grant(screenshotClient, "X-KDE-DBUS-Restricted-Interfaces", "org.kde.KWin.ScreenShot2")
        && grant(inputClient, "X-KDE-Wayland-Interfaces", "org_kde_kwin_fake_input");
}

// The fake input helper (tests/e2e/fake_input.cpp), driven one command at a time.
class FakeInput
{
public:
    bool start(const QString &program)
    {
        m_process.start(program, {});
        return m_process.waitForStarted();
    }
    ~FakeInput()
    {
        m_process.kill();
        m_process.waitForFinished();
    }

    // Each command, once KWin has processed it; false at the first that failed.
    bool send(const QStringList &commands)
    {
        for (const QString &command : commands) {
            m_process.write(command.toUtf8() + '\n');
            if (!m_process.waitForReadyRead(15000) || m_process.readLine() != "ok\n")
                return false;
        }
        return true;
    }

    // Esc pressed and released twice.
    bool escapeTwice()
    {
        const QString escape = QStringLiteral("key %1").arg(KEY_ESC);
        return send({escape, escape});
    }

private:
    QProcess m_process;
};

} // namespace testsupport
