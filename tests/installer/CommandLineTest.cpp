// The installer's arguments: the window, the help, the unattended installation and usage errors.
#include "CommandLine.h"

#include <gtest/gtest.h>

namespace {

using Mode = CommandLine::Mode;

TEST(CommandLineTest, WindowHelpAndTheUnattendedOptions)
{
    EXPECT_EQ(parseCommandLine({}).mode, Mode::Window);
    for (const QStringList &help : {QStringList {"--help"}, {"-h"}, {"--unattended", "--help"}})
        EXPECT_EQ(parseCommandLine(help).mode, Mode::Help) << help.join(' ').toStdString();

    const CommandLine all = parseCommandLine(
        {"--unattended", "--accept-agreement", "--folder", "/srv/安装 目录", "--keep-package"});
    EXPECT_EQ(all.mode, Mode::Unattended);
    EXPECT_TRUE(all.acceptAgreement && all.keepPackage);
    EXPECT_EQ(all.folder, QStringLiteral("/srv/安装 目录"));

    // Without --folder the window's folder is meant; an empty one is given, and refused later.
    const CommandLine bare = parseCommandLine({"--unattended"});
    EXPECT_EQ(bare.mode, Mode::Unattended);
    EXPECT_FALSE(bare.acceptAgreement || bare.keepPackage || bare.folder.has_value());
    EXPECT_EQ(parseCommandLine({"--folder=/a,b", "--unattended"}).folder, QStringLiteral("/a,b"));
    EXPECT_EQ(parseCommandLine({"--unattended", "--folder", ""}).folder, QString(""));
}

TEST(CommandLineTest, AnythingElseIsAUsageErrorThatSaysWhy)
{
    const QStringList wrong[] = {
        {"--bogus"},
        {"--unattended", "--accept-agreement", "--bogus"},
        {"--help", "--bogus"},
        {"-unattended"},
        {"--unattended", "--folder"},
        {"--unattended", "--folder", "/a", "--folder", "/b"},
        {"--unattended", "/opt/vexa"},
        {"--accept-agreement", "--folder", "/opt/vexa"},
        {"--keep-package"},
        {"--"},
    };
    for (const QStringList &arguments : wrong) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        const CommandLine line = parseCommandLine(arguments);
        EXPECT_EQ(line.mode, Mode::UsageError);
        EXPECT_FALSE(line.error.isEmpty());
    }
    EXPECT_TRUE(parseCommandLine({"--accept-agreement"}).error.contains("--unattended"));
    EXPECT_TRUE(parseCommandLine({"--unattended", "--bogus"}).error.contains("bogus"));
}

} // namespace
