// The window's start state, folder browsing, and the installer's message boxes.
#include "mForm.h"
#include "ErrorGuard.h"
#include "MakerSite.h"
#include "Module1.h"
#include "NextModal.h"
#include "platform/PlatformError.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <vector>

namespace {

class mFormTest : public ::testing::Test
{
protected:
    std::unique_ptr<mForm> makeForm()
    {
        InstallerHooks hooks;
        hooks.browseFolder = [this](QWidget *owner, const QString &prompt) {
            owners.push_back(owner);
            prompts << prompt;
            if (chosen.isNull())
                throw platform::PlatformError(5, QStringLiteral("browse"), QStringLiteral("/"));
            return chosen;
        };
        hooks.guard = ErrorGuard(
            [this](int number, const QString &) { reported.push_back(number); }, [](int) {});
        return std::make_unique<mForm>(InstallerFolders {QStringLiteral("/opt/prog"), data.path(),
                                           QStringLiteral("/tmp/desk")},
            std::move(hooks));
    }

    QTemporaryDir data;
    QStringList prompts;
    std::vector<QWidget *> owners;
    QString chosen;
    std::vector<int> reported;
};

TEST_F(mFormTest, StartState)
{
    QFile settings(data.path() + QStringLiteral("/vexaconfig.txt"));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("/srv/a,b/vexa\r\n");
    settings.close();

    const auto form = makeForm();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("VEXA即时通信"));
    EXPECT_EQ(form->minimumSize(), QSize(375, 248));
    EXPECT_EQ(form->maximumSize(), QSize(375, 248));
    EXPECT_FALSE(form->Check1->isChecked() || form->Timer1->isActive() || form->installed);
    EXPECT_EQ(form->Timer1->interval(), 200);
    EXPECT_TRUE(form->Command1->isEnabled() && form->Command2->isEnabled());
    EXPECT_EQ(form->Command1->text(), QStringLiteral("开始安装"));
    EXPECT_EQ(form->path->text(), QStringLiteral("/srv/a,b/vexa"));
    EXPECT_TRUE(reported.empty());
    // Check1 and Command3 lie over the frame, so they must be the window's, drawn above it.
    EXPECT_EQ(form->Check1->parentWidget(), form.get());
    EXPECT_EQ(form->Command3->parentWidget(), form.get());
    // The link is blue and wide enough for the whole host, whatever its length.
    EXPECT_EQ(form->Label3->text(), QStringLiteral("官网：") + QString::fromUtf8(makerHost));
    EXPECT_EQ(form->Label3->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_GE(form->Label3->width(), form->Label3->sizeHint().width());
    EXPECT_LE(form->Label3->geometry().right(), form->width());

    // Tab order, starting in the folder box.
    EXPECT_EQ(form->focusWidget(), form->path);
    QList<QWidget *> order;
    QWidget *widget = form->path;
    do {
        if (widget->focusPolicy() & Qt::TabFocus)
            order << widget;
        widget = widget->nextInFocusChain();
    } while (widget != form->path && order.size() < 20);
    EXPECT_EQ(order,
        QList<QWidget *>(
            {form->path, form->Command1, form->Command2, form->Check1, form->Command3}));
}

TEST_F(mFormTest, ScreenReadersNameTheFolderBoxByItsLabel)
{
    const auto form = makeForm();
    QAccessibleInterface *box = QAccessible::queryAccessibleInterface(form->path);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(QAccessible::Name), QStringLiteral("安装路径："));
    EXPECT_EQ(form->Label2->buddy(), form->path);
}

TEST_F(mFormTest, AgreementIsSixLinesThatFitAboveTheCheckBox)
{
    const auto form = makeForm();
    const QString text = form->Label1->text();
    const QStringList expected {
        QStringLiteral("VEXA客户端免费安装使用，请您务必遵守我们相关规定："),
        QString(),
        QStringLiteral("1、禁止出售给其他用户，因为我们是免费使用的；"),
        QStringLiteral("2、请勿恶意破坏程序系统；"),
        QStringLiteral("3、本软件最终解释权归") + QString::fromUtf8(makerHost)
            + QStringLiteral("；"),
        QStringLiteral("4、使用方法请查看 使用说明.txt。"),
    };
    EXPECT_EQ(text.split(QStringLiteral("\r\n")), expected);

    // Drawn as six lines: CR LF looks exactly like LF, and every line shows above Check1.
    QLabel withLf(
        QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")), form->Frame1);
    withLf.setGeometry(form->Label1->geometry());
    withLf.setAlignment(form->Label1->alignment());
    withLf.setWordWrap(true);
    EXPECT_EQ(form->Label1->grab().toImage(), withLf.grab().toImage());
    const int labelTop = form->Label1->mapTo(form.get(), QPoint(0, 0)).y();
    EXPECT_LE(labelTop + form->Label1->heightForWidth(form->Label1->width()),
        form->Check1->geometry().top());
}

TEST_F(mFormTest, BrowseAppendsVexaCancelAndFailureKeepTheFolder)
{
    const auto form = makeForm();
    // A null choice makes the chooser fail: the guard stops the click, not Qt's event loop.
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("/media/Games"), QStringLiteral("/media/Games/vexa")},
        {QStringLiteral("/"), QStringLiteral("//vexa")},
        {QStringLiteral(""), QStringLiteral("//vexa")},
        {QString(), QStringLiteral("//vexa")},
    };
    for (const auto &[folder, expected] : cases) {
        chosen = folder;
        form->Command2->click();
        EXPECT_EQ(form->path->text(), expected);
    }
    EXPECT_EQ(prompts, QStringList(4, QStringLiteral("浏览文件夹")));
    EXPECT_EQ(owners, std::vector<QWidget *>(4, form.get()));
    EXPECT_EQ(reported, std::vector<int> {5});
}

TEST(InstallerDialogsTest, TipBoxHasTitleOneOkButtonAndNoIcon)
{
    QWidget owner;
    onNextModal<QMessageBox>([&owner](QMessageBox *box) {
        EXPECT_EQ(box->windowTitle(), QStringLiteral("安装提示"));
        EXPECT_EQ(box->text(), QStringLiteral("请先同意安装协议"));
        EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
        EXPECT_EQ(box->buttons().size(), 1);
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
        EXPECT_EQ(box->parentWidget(), &owner);
        box->button(QMessageBox::Ok)->click();
    });
    mForm::showTipBox(&owner, QStringLiteral("请先同意安装协议"));
}

TEST(InstallerDialogsTest, FolderDialogChoosesFoldersOnly)
{
    QTemporaryDir folder;
    QWidget owner;
    onNextModal<QFileDialog>([&](QFileDialog *dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("浏览文件夹"));
        EXPECT_EQ(dialog->fileMode(), QFileDialog::Directory);
        EXPECT_TRUE(dialog->testOption(QFileDialog::ShowDirsOnly));
        EXPECT_EQ(dialog->parentWidget(), &owner);
        dialog->setDirectory(folder.path());
        QMetaObject::invokeMethod(dialog, "accept");
    });
    EXPECT_EQ(browseFolder(&owner, QStringLiteral("浏览文件夹")), folder.path());

    onNextModal<QFileDialog>([](QFileDialog *dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("选择目录"));
        dialog->reject();
    });
    EXPECT_EQ(browseFolder(&owner, QString()), QString());
}

TEST(ErrorGuardTest, ErrorStopsTheBodyIsShownAndEndsTheProgram)
{
    std::vector<std::pair<int, QString>> shown;
    std::vector<int> endings;
    const ErrorGuard guard(
        [&](int number, const QString &text) { shown.emplace_back(number, text); },
        [&](int status) { endings.push_back(status); });
    EXPECT_TRUE(guard.run([] {}));
    int stepsDone = 0;
    EXPECT_FALSE(guard.run([&] {
        ++stepsDone;
        throw platform::PlatformError(
            76, QStringLiteral("CreateFolder"), QStringLiteral("/srv/文件/vexa"));
    }));
    EXPECT_EQ(stepsDone, 1);
    guard.run([] { throw std::runtime_error("bad"); });
    guard.run([] { throw 42; });

    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0],
        std::make_pair(76, QStringLiteral("CreateFolder \"/srv/文件/vexa\": Path not found")));
    EXPECT_EQ(shown[1], std::make_pair(ErrorGuard::internalErrorNumber, QStringLiteral("bad")));
    EXPECT_FALSE(shown[2].second.isEmpty());
    EXPECT_EQ(endings, std::vector<int>(3, ErrorGuard::failureStatus));
    EXPECT_NE(ErrorGuard::failureStatus, 0);

    onNextModal<QMessageBox>([](QMessageBox *box) {
        EXPECT_TRUE(box->text().contains(QStringLiteral("53")));
        EXPECT_TRUE(box->text().contains(QStringLiteral("FileExists /opt/base: denied")));
        box->accept();
    });
    ErrorGuard::showReportBox(53, QStringLiteral("FileExists /opt/base: denied"));
}

} // namespace
