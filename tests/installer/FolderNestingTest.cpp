// Whether an install folder is the package or lies inside it, on a real tree with links.
#include "FolderNesting.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

TEST(FolderNestingTest, PackageAndEverythingBelowItHoweverSpelledOrReached)
{
    QTemporaryDir root(QDir::tempPath() + QStringLiteral("/嵌套 测试 XXXXXX"));
    ASSERT_TRUE(root.isValid());
    const auto at = [&root](const char *relative) {
        return root.filePath(relative);
    };
    for (const char *folder : {"prog/base/res", "prog/other", "outside"})
        ASSERT_TRUE(QDir().mkpath(at(folder)));
    const auto link = [&](const char *target, const char *name) {
        ASSERT_EQ(::symlink(QFile::encodeName(at(target)), QFile::encodeName(at(name))), 0);
    };
    link("prog/base", "通道"); // a way into the package from outside
    link("outside", "prog/base/out"); // a way out of it from inside
    const QString package = at("prog/base");

    const QString inside[] = {
        package, package + "/", package + "//", at("prog/base/res"),
        at("prog/base/vexa"), // does not exist yet
        at("prog/base/new/deeper/"), at("通道"), at("通道/vexa"), at("prog/other/../base/vexa"),
        at("prog/base/new/../res"),
        at("通道/../base"), // ".." after a link is the parent of the link's target
    };
    for (const QString &folder : inside) {
        EXPECT_TRUE(isSameOrInside(folder, package)) << folder.toStdString();
    }
    // The package named through the link contains its real folders just the same.
    EXPECT_TRUE(isSameOrInside(at("prog/base/res"), at("通道")));

    const QString outside[] = {
        at("prog"), // the package's parent
        at("prog/"),
        at("prog/vexa"),
        at("prog/base2"), // siblings whose names start with the package's name
        at("prog/basement/vexa"),
        at("prog/base/.."),
        at("prog/base/../other"),
        at("prog/base/out/vexa"), // leaves the package through its link
        at("prog/base/out/../vexa"),
        at("new/folder"),
        QStringLiteral("/"),
    };
    for (const QString &folder : outside) {
        EXPECT_FALSE(isSameOrInside(folder, package)) << folder.toStdString();
    }
}

} // namespace
