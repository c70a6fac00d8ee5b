// After an installation: opening the client, the offer to install again, and the instructions and
// site actions, which work at any time without touching a running installation.
#include "InstallerFixture.h"
#include "Launch.h"
#include "MakerSite.h"

#include <QLabel>
#include <QTest>

namespace {

const QString resetMessage
    = QStringLiteral("安装没有成功，不能打开，可无法安装，请查看【使用说明.txt】手动安装");

class OpenClientTest : public InstallerFixture
{
protected:
    // A window whose installation into `folder` has run to its finish, shown on screen.
    std::unique_ptr<mForm> installedForm(const QString &folder)
    {
        put("prog/base/vexa.exe");
        put("prog/base/R/a.txt");
        auto form = makeForm(folder);
        form->show();
        start(*form);
        ticksToEnd(*form);
        EXPECT_TRUE(form->installed);
        return form;
    }
};

TEST_F(OpenClientTest, OpenStartsTheClientOfTheBoxFolderAndCloses)
{
    // A trailing separator typed in the box is kept: the doubled one names the same file.
    const std::pair<QString, QString> cases[] = {
        {at("inst"), at("inst") + "/vexa.exe"},
        {at("第二 inst") + '/', at("第二 inst") + "//vexa.exe"},
    };
    for (const auto &[folder, client] : cases) {
        started.clear();
        const auto form = installedForm(folder);
        form->Command1->click();
        EXPECT_EQ(started, QStringList {client});
        EXPECT_FALSE(form->isVisible());
        EXPECT_TRUE(tips.empty() && errors.empty());
    }
}

TEST_F(OpenClientTest, MissingClientOffersToInstallAgain)
{
    // Another folder altogether, and one where vexa.exe is a folder, not a program.
    QDir().mkpath(at("dir/vexa.exe"));
    for (const QString &elsewhere : {at("elsewhere"), at("dir")}) {
        SCOPED_TRACE(elsewhere.toStdString());
        tips.clear();
        const auto form = installedForm(at("inst"));
        form->path->setText(elsewhere);
        form->Command1->click();
        EXPECT_EQ(tips, QStringList {resetMessage});
        EXPECT_EQ(form->Command1->text(), QStringLiteral("重新安装"));
        EXPECT_TRUE(form->Command1->isEnabled() && form->Command2->isEnabled());
        EXPECT_FALSE(form->installed || form->Timer1->isActive());
        EXPECT_TRUE(form->isVisible() && started.isEmpty());

        // The finish removed the package: the next click, agreement still ticked, says so.
        ASSERT_TRUE(form->Check1->isChecked());
        form->Command1->click();
        EXPECT_EQ(tips, QStringList({resetMessage, QStringLiteral("安装程序已损坏，请重新下载")}));
        EXPECT_EQ(form->Command1->text(), QStringLiteral("重新安装"));
        EXPECT_FALSE(form->installed || form->Timer1->isActive());
    }
}

TEST_F(OpenClientTest, FailedRealStartIsAnError)
{
    // The real start (a client that runs is the end-to-end test's): not executable, gone between
    // the check and the start, not a program. An error naming the path; the window stays.
    const std::pair<std::function<void(const QString &)>, int> cases[] = {
        {[](const QString &) {}, 70},
        {[](const QString &path) { QFile::remove(path); }, 53},
        {[](const QString &path) {
             QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
         },
            5},
    };
    for (const auto &c : cases) {
        errors.clear();
        startProgram = [&c](const QString &program) {
            c.first(program);
            startDetachedProgram(program);
        };
        const auto form = installedForm(at("inst"));
        form->Command1->click();
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_EQ(errors[0].number, c.second);
        EXPECT_TRUE(errors[0].description.startsWith(
            QStringLiteral("StartProcess \"%1/vexa.exe\"").arg(at("inst"))))
            << errors[0].description.toStdString();
        EXPECT_TRUE(form->isVisible());
    }
}

TEST_F(OpenClientTest, HelpAndSiteOpenAtAnyTimeAndLeaveTheCopyAlone)
{
    // Nothing opens anything here: the window must go on as if nothing happened.
    openResult = false;
    put("prog/base/vexa.exe");
    for (int i = 0; i < 4; ++i)
        put(QStringLiteral("prog/base/f%1").arg(i));
    const auto package = treeOf(at("prog/base"));
    const auto form = makeForm(at("inst"));
    form->show();

    // Without instructions beside the program nothing is shown.
    form->Command3->click();
    EXPECT_TRUE(opened.isEmpty());
    put("prog/使用说明.txt");

    start(*form);
    tick(*form);
    tick(*form);
    const QString caption = form->Command1->text();
    const qsizetype index = form->fileIndex;
    form->Command3->click();
    QTest::mouseClick(form->Label3, Qt::LeftButton);
    EXPECT_EQ(form->Command1->text(), caption);
    EXPECT_EQ(form->fileIndex, index);
    EXPECT_TRUE(form->Timer1->isActive() && form->path->isReadOnly());
    EXPECT_FALSE(form->Command1->isEnabled() || form->Command2->isEnabled());

    ASSERT_EQ(opened.size(), 2);
    // The file goes out as an encoded URL: what a launcher decodes from it is the exact path.
    const QUrl instructions = QUrl::fromEncoded(opened[0].toEncoded(), QUrl::StrictMode);
    EXPECT_TRUE(instructions.isLocalFile());
    EXPECT_EQ(instructions.toLocalFile(), at("prog/使用说明.txt"));
    EXPECT_EQ(opened[1].toString(), QStringLiteral("http://") + QString::fromUtf8(makerHost));

    EXPECT_EQ(ticksToEnd(*form), 4);
    EXPECT_EQ(installedTree(at("inst")), package);
    EXPECT_TRUE(form->installed);
    form->Command3->click();
    EXPECT_EQ(opened.size(), 3);
    EXPECT_TRUE(tips.empty() && errors.empty() && started.empty());
    EXPECT_TRUE(form->isVisible());
}

} // namespace
