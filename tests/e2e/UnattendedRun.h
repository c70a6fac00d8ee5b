#pragma once
// Helpers of the end-to-end tests that run the installer's programs without a display: a fresh
// copy of the installer with its package, a user whose folders all lie below a test root, and a
// program run to its end with what it wrote.
#include "TestSupport.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace testsupport {

// The installer, 使用说明.txt and the package base/ to copy: an unpacked bundle named by
// VEXA_E2E_BUNDLE, else the build's own layout beside its installer.
inline QString bundleSource()
{
    const QString bundle = qEnvironmentVariable("VEXA_E2E_BUNDLE");
    return bundle.isEmpty() ? QStringLiteral(INSTALLER_DIR) : bundle;
}

// A fresh copy of the bundle at `to`: an installation deletes its base/.
inline bool copyBundle(const QString &to)
{
    QDir(to).removeRecursively();
    QDir().mkpath(to);
    return QProcess::execute("cp", {"-a", bundleSource() + "/.", to}) == 0;
}

// Each entry's relative path, type and permission bits, below `folder`.
inline QByteArray listingOf(const QString &folder)
{
    QProcess find;
    find.setWorkingDirectory(folder);
    find.start("sh", {"-c", "find . -mindepth 1 -printf '%p %y %m\\n' | LC_ALL=C sort"});
    find.waitForFinished(15000);
    return find.readAllStandardOutput();
}

// The same of an install folder, without the record the installation writes there.
inline QByteArray installedListingOf(const QString &folder)
{
    QByteArray listing;
    bool recorded = false;
    for (const QByteArray &line : listingOf(folder).split('\n')) {
        if (line.startsWith("./install-record.json f "))
            recorded = true;
        else if (!line.isEmpty())
            listing += line + '\n';
    }
    EXPECT_TRUE(recorded) << "no record in " << folder.toStdString();
    return listing;
}

// A user whose home, data and desktop folders lie below `root`, with no display at all: Qt is
// told to use X11, so a program that opened a GUI platform would abort. No session bus either.
inline QProcessEnvironment userWithoutDisplay(const QString &root)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *variable : {"DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "LC_ALL"})
        env.remove(variable);
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("HOME", root + "/home");
    env.insert("XDG_DATA_HOME", root + "/home/data");
    env.insert("XDG_CONFIG_HOME", root + "/home/config");
    env.insert("XDG_DESKTOP_DIR", root + "/home/Desktop");
    env.insert("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    env.insert("LANG", "C.UTF-8");
    QDir().mkpath(root + "/home");
    return env;
}

struct ProgramRun
{
    int status = -1; // the exit status; -1 when it crashed or did not end in time
    QString out;
    QString err;
};

inline ProgramRun runProgram(
    const QString &program, const QStringList &arguments, const QProcessEnvironment &env)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    ProgramRun run;
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit)
        run.status = process.exitCode();
    else
        process.kill();
    process.waitForFinished();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

} // namespace testsupport
