// Shortcut files, checked with two independent readers of the format:
// lnkinfo (liblnk-utils) and exiftool (libimage-exiftool-perl). Both mis-decode
// characters outside the Basic Multilingual Plane (UTF-16 surrogate pairs), so
// the paths here keep to it.
#include "PlatformTest.h"
#include "platform/Shell.h"
#include "platform/ShellLinkWriter.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QtEndian>

using platform::PlatformError;
using platform::Shell;
using namespace testsupport;

namespace {

struct ReadBack
{
    QString target;
    QString icon;
    bool hasIcon = false;
};

QByteArray run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString()
                      << " failed: " << process.readAllStandardError().toStdString();
    }
    return process.readAllStandardOutput();
}

// lnkinfo prints "\tLocal path\t\t\t: <path>" and "\tIcon location\t\t: <path>".
ReadBack readWithLnkinfo(const QString &file)
{
    ReadBack result;
    const QString output = QString::fromUtf8(run(QStringLiteral("lnkinfo"), {file}));
    for (const QString &line : output.split(QLatin1Char('\n'))) {
        const qsizetype colon = line.indexOf(QLatin1String(": "));
        if (colon < 0)
            continue;
        const QString key = line.left(colon).trimmed();
        const QString value = line.mid(colon + 2);
        if (key == QLatin1String("Local path"))
            result.target = value;
        if (key == QLatin1String("Icon location")) {
            result.icon = value;
            result.hasIcon = true;
        }
    }
    return result;
}

ReadBack readWithExiftool(const QString &file)
{
    const QByteArray json = run(QStringLiteral("exiftool"),
        {QStringLiteral("-j"), QStringLiteral("-LocalBasePath"), QStringLiteral("-IconFileName"),
            file});
    const QJsonObject tags = QJsonDocument::fromJson(json).array().at(0).toObject();
    ReadBack result;
    result.target = tags.value(QLatin1String("LocalBasePath")).toString();
    result.hasIcon = tags.contains(QLatin1String("IconFileName"));
    result.icon = tags.value(QLatin1String("IconFileName")).toString();
    return result;
}

} // namespace

class PlatformShortcutTest : public PlatformTest
{
protected:
    void SetUp() override
    {
        PlatformTest::SetUp();
        for (const char *reader : {"lnkinfo", "exiftool"}) {
            ASSERT_FALSE(QStandardPaths::findExecutable(QLatin1String(reader)).isEmpty())
                << reader << " is missing: scripts/setup.sh installs it";
        }
    }

    void save(const QString &file, const QString &target, const QString &icon)
    {
        platform::Shortcut shortcut = Shell().CreateShortcut(file);
        EXPECT_FALSE(QFileInfo::exists(file)); // nothing before Save
        shortcut.setTargetPath(target);
        shortcut.setIconLocation(icon);
        shortcut.Save();
    }

    void expectBothReaders(const QString &file, const QString &target, const QString &icon)
    {
        for (const ReadBack &read : {readWithLnkinfo(file), readWithExiftool(file)}) {
            EXPECT_EQ(read.target, target);
            EXPECT_TRUE(read.hasIcon);
            EXPECT_EQ(read.icon, icon);
        }
    }
};

TEST_F(PlatformShortcutTest, BothReadersSeeTargetAndIconExactly)
{
    struct Case
    {
        QString file, target, icon;
    };
    const QList<Case> cases = {
        {QStringLiteral("VEXA.lnk"), QStringLiteral("/home/u/vexa/vexa.exe"),
            QStringLiteral("/home/u/vexa/favicon.ico")},
        {QStringLiteral("windows.lnk"), QStringLiteral("D:\\Games\\vexa\\vexa.exe"),
            QStringLiteral("D:\\Games\\vexa\\favicon.ico")},
        {QStringLiteral("快捷 方式.lnk"), QStringLiteral("/home/用户 名/安装 目录/vexa.exe"),
            QStringLiteral("/home/用户 名/安装 目录/favicon.ico")},
        {QStringLiteral("doubled.lnk"), QStringLiteral("D:\\\\vexa\\vexa.exe"),
            QStringLiteral("/data//vexa/favicon.ico")},
        {QStringLiteral("latin.lnk"), QStringLiteral("C:\\Programme\\Größe ü\\ｖｅｘａ\\vexa.exe"),
            QStringLiteral("C:\\图标\\ça.ico")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        save(at(c.file), c.target, c.icon);
        expectBothReaders(at(c.file), c.target, c.icon);
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

TEST_F(PlatformShortcutTest, WithoutIconNoIconIsRecorded)
{
    const QString file = at(QStringLiteral("plain.lnk"));
    save(file, QStringLiteral("/opt/vexa/vexa.exe"), QString());
    for (const ReadBack &read : {readWithLnkinfo(file), readWithExiftool(file)}) {
        EXPECT_EQ(read.target, QStringLiteral("/opt/vexa/vexa.exe"));
        EXPECT_FALSE(read.hasIcon);
    }
}

TEST_F(PlatformShortcutTest, HeaderIsAShellLinkHeader)
{
    const QByteArray bytes = platform::ShellLinkWriter::build(
        QStringLiteral("/a/vexa.exe"), QStringLiteral("/a/favicon.ico"));
    ASSERT_GT(bytes.size(), 0x4C + 4);
    EXPECT_EQ(qFromLittleEndian<quint32>(bytes.constData()), 0x4Cu);
    EXPECT_EQ(bytes.mid(4, 16).toHex(), QByteArray("0114020000000000c000000000000046"));
    EXPECT_EQ(qFromLittleEndian<quint32>(bytes.constData() + 0x14), 0x2u | 0x40u | 0x80u);
    // LinkInfo right after the header, with the Unicode offsets in its header.
    EXPECT_EQ(qFromLittleEndian<quint32>(bytes.constData() + 0x4C + 4), 0x24u);
    EXPECT_EQ(bytes.right(4), QByteArray(4, '\0'));
}

TEST_F(PlatformShortcutTest, SaveFailuresLeaveNoFile)
{
    const QString noFolder = at(QStringLiteral("missing/VEXA.lnk"));
    platform::Shortcut missing = Shell().CreateShortcut(noFolder);
    missing.setTargetPath(QStringLiteral("/opt/vexa/vexa.exe"));
    EXPECT_PLATFORM_ERROR(missing.Save(), PlatformError::PathNotFound, "Save", noFolder);

    platform::Shortcut nul = Shell().CreateShortcut(at(QStringLiteral("nul.lnk")));
    nul.setTargetPath(QStringLiteral("/opt/vexa") + QChar(0) + QStringLiteral("/vexa.exe"));
    EXPECT_PLATFORM_ERROR(nul.Save(), PlatformError::BadFileName, "Save", "nul.lnk");

    platform::Shortcut tooLong = Shell().CreateShortcut(at(QStringLiteral("long.lnk")));
    tooLong.setIconLocation(QString(platform::ShellLinkWriter::MaxStringLength + 1, u'x'));
    EXPECT_PLATFORM_ERROR(tooLong.Save(), PlatformError::InvalidArgument, "Save", "long.lnk");
    EXPECT_TRUE(entriesOf(m_root.path()).isEmpty());

    QDir().mkdir(at(QStringLiteral("desktop")));
    save(at(QStringLiteral("desktop/VEXA.lnk")), QStringLiteral("/old/vexa.exe"),
        QStringLiteral("/old/favicon.ico"));
    const Mount readOnly = Mount::readOnlyBind(at(QStringLiteral("desktop")));
    if (!readOnly.ok())
        GTEST_SKIP() << "cannot make a read-only mount: " << readOnly.error().toStdString();
    platform::Shortcut blocked = Shell().CreateShortcut(at(QStringLiteral("desktop/VEXA.lnk")));
    blocked.setTargetPath(QStringLiteral("/new/vexa.exe"));
    EXPECT_PLATFORM_ERROR(blocked.Save(), PlatformError::PermissionDenied, "Save", "VEXA.lnk");
    expectBothReaders(at(QStringLiteral("desktop/VEXA.lnk")), QStringLiteral("/old/vexa.exe"),
        QStringLiteral("/old/favicon.ico"));
}
