// Shortcut files, read back by two independent readers of the format:
// lnkinfo (liblnk-utils) and exiftool (libimage-exiftool-perl). Both
// mis-decode characters outside the Basic Multilingual Plane (UTF-16
// surrogate pairs), so the paths here keep to it.
#include "PlatformTest.h"
#include "platform/Shell.h"
#include "platform/ShellLinkWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>

using platform::PlatformError;
using platform::Shell;
using namespace testsupport;

namespace {

struct ReadBack
{
    QString target;
    QString icon;
};

QByteArray run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        ADD_FAILURE() << program.toStdString()
                      << " failed: " << process.readAllStandardError().toStdString();
    return process.readAllStandardOutput();
}

// lnkinfo prints "\tLocal path\t\t\t: <path>" and "\tIcon location\t\t: <path>".
ReadBack readWithLnkinfo(const QString &file)
{
    ReadBack result;
    for (const QString &line :
        QString::fromUtf8(run(QStringLiteral("lnkinfo"), {file})).split(u'\n')) {
        const qsizetype colon = line.indexOf(QLatin1String(": "));
        const QString key = line.left(colon).trimmed();
        if (colon > 0 && key == QLatin1String("Local path"))
            result.target = line.mid(colon + 2);
        if (colon > 0 && key == QLatin1String("Icon location"))
            result.icon = line.mid(colon + 2);
    }
    return result;
}

ReadBack readWithExiftool(const QString &file)
{
    const QByteArray json = run(QStringLiteral("exiftool"), {QStringLiteral("-j"), file});
    const QJsonObject tags = QJsonDocument::fromJson(json).array().at(0).toObject();
    return {tags.value(QLatin1String("LocalBasePath")).toString(),
        tags.value(QLatin1String("IconFileName")).toString()};
}

} // namespace

class PlatformShortcutTest : public PlatformTest
{
protected:
    void SetUp() override
    {
        PlatformTest::SetUp();
        for (const char *reader : {"lnkinfo", "exiftool"})
            ASSERT_FALSE(QStandardPaths::findExecutable(QLatin1String(reader)).isEmpty())
                << reader << " is missing: scripts/setup.sh installs it";
    }

    static void save(const QString &file, const QString &target, const QString &icon)
    {
        platform::Shortcut shortcut = Shell().CreateShortcut(file);
        shortcut.setTargetPath(target);
        shortcut.setIconLocation(icon);
        EXPECT_FALSE(QFileInfo::exists(file)); // nothing before Save
        shortcut.Save();
    }

    static void expectBothReaders(const QString &file, const QString &target, const QString &icon)
    {
        for (const ReadBack &read : {readWithLnkinfo(file), readWithExiftool(file)}) {
            EXPECT_EQ(read.target, target);
            EXPECT_EQ(read.icon, icon);
        }
    }
};

TEST_F(PlatformShortcutTest, BothReadersSeeTargetAndIconExactly)
{
    const QList<QStringList> cases = {
        {QStringLiteral("VEXA.lnk"), QStringLiteral("/home/u/vexa/vexa.exe"),
            QStringLiteral("/home/u/vexa/favicon.ico")},
        {QStringLiteral("windows.lnk"), QStringLiteral("D:\\Games\\vexa\\vexa.exe"),
            QStringLiteral("D:\\\\vexa\\favicon.ico")},
        {QStringLiteral("快捷 方式.lnk"), QStringLiteral("/home/用户 名/安装 目录/vexa.exe"),
            QStringLiteral("/home/用户 名/安装 目录/favicon.ico")},
        {QStringLiteral("latin.lnk"), QStringLiteral("C:\\Größe ü\\ｖｅｘａ\\vexa.exe"),
            QStringLiteral("/data//图标/ça.ico")},
    };
    for (const QStringList &c : cases) {
        SCOPED_TRACE(c.at(0).toStdString());
        save(at(c.at(0)), c.at(1), c.at(2));
        expectBothReaders(at(c.at(0)), c.at(1), c.at(2));
    }
}

TEST_F(PlatformShortcutTest, SaveReplacesAnEarlierShortcut)
{
    const QString file = at(QStringLiteral("VEXA.lnk"));
    save(file, QStringLiteral("/old/vexa.exe"), QStringLiteral("/old/favicon.ico"));
    platform::Shortcut shortcut = Shell().CreateShortcut(file);
    shortcut.setTargetPath(QStringLiteral("/新/vexa.exe"));
    shortcut.setIconLocation(QStringLiteral("/新/favicon.ico"));
    shortcut.Save();
    expectBothReaders(file, QStringLiteral("/新/vexa.exe"), QStringLiteral("/新/favicon.ico"));
    EXPECT_EQ(entriesOf(m_root.path()), QStringList {QStringLiteral("VEXA.lnk")});
}

TEST_F(PlatformShortcutTest, SaveFailuresKeepEarlierShortcut)
{
    const QString noFolder = at(QStringLiteral("missing/VEXA.lnk"));
    EXPECT_PLATFORM_ERROR(
        Shell().CreateShortcut(noFolder).Save(), PlatformError::PathNotFound, "Save", noFolder);
    platform::Shortcut bad = Shell().CreateShortcut(at(QStringLiteral("bad.lnk")));
    bad.setTargetPath(QStringLiteral("/opt/vexa") + QChar(0) + QStringLiteral("/vexa.exe"));
    EXPECT_PLATFORM_ERROR(bad.Save(), PlatformError::BadFileName, "Save", "bad.lnk");
    bad.setTargetPath(QStringLiteral("/opt/vexa/vexa.exe"));
    bad.setIconLocation(QString(platform::ShellLinkWriter::MaxStringLength + 1, u'x'));
    EXPECT_PLATFORM_ERROR(bad.Save(), PlatformError::InvalidArgument, "Save", "bad.lnk");
    EXPECT_TRUE(entriesOf(m_root.path()).isEmpty());

    QDir().mkdir(at(QStringLiteral("desktop")));
    const QString file = at(QStringLiteral("desktop/VEXA.lnk"));
    save(file, QStringLiteral("/old/vexa.exe"), QStringLiteral("/old/favicon.ico"));
    const Mount readOnly(at(QStringLiteral("desktop")));
    SKIP_UNLESS_MOUNTED(readOnly);
    EXPECT_PLATFORM_ERROR(
        Shell().CreateShortcut(file).Save(), PlatformError::PermissionDenied, "Save", file);
    expectBothReaders(file, QStringLiteral("/old/vexa.exe"), QStringLiteral("/old/favicon.ico"));
}
