#include "mForm.h"
#include "MakerSite.h"
#include "ModalWatch.h"
#include "Module1.h"
#include "platform/PlatformError.h"

#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <utility>
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
            if (chooserError)
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
    bool chooserError = false;
    std::vector<int> reported;
};

TEST_F(mFormTest, StartState)
{
    const auto form = makeForm();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("VEXA即时通信"));
    EXPECT_EQ(form->minimumSize(), QSize(375, 248));
    EXPECT_EQ(form->maximumSize(), QSize(375, 248));
    EXPECT_FALSE(form->Check1->isChecked());
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_EQ(form->Timer1->interval(), 200);
    EXPECT_TRUE(form->Command1->isEnabled());
    EXPECT_TRUE(form->Command2->isEnabled());
    EXPECT_EQ(form->Command1->text(), QStringLiteral("开始安装"));
    EXPECT_FALSE(form->installed);
    EXPECT_EQ(form->path->text(), data.path() + QStringLiteral("/vexa"));
    EXPECT_TRUE(reported.empty());

    // Check1 and Command3 lie over the frame, so they must be the window's, drawn above it.
    EXPECT_EQ(form->Check1->parentWidget(), form.get());
    EXPECT_EQ(form->Command3->parentWidget(), form.get());

    // The link is blue and wide enough for the whole host, whatever its length.
    EXPECT_EQ(form->Label3->text(), QStringLiteral("官网：") + QString::fromUtf8(makerHost));
    EXPECT_EQ(form->Label3->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_GE(form->Label3->width(), form->Label3->sizeHint().width());
    EXPECT_LE(form->Label3->geometry().right(), form->width());
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
    EXPECT_EQ(text.count(QLatin1Char('\n')), 5);
    EXPECT_EQ(text.count(QLatin1Char('\r')), 5);

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

TEST_F(mFormTest, PathComesFromTheSettingsFile)
{
    QFile settings(data.path() + QStringLiteral("/vexaconfig.txt"));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("/srv/a,b/vexa\r\n");
    settings.close();
    EXPECT_EQ(makeForm()->path->text(), QStringLiteral("/srv/a,b/vexa"));
}

TEST_F(mFormTest, TabOrderStartsInPath)
{
    const auto form = makeForm();
    EXPECT_EQ(form->focusWidget(), form->path);
    QList<QWidget *> order;
    QWidget *widget = form->path;
    do {
        if (widget->focusPolicy() & Qt::TabFocus)
            order << widget;
        widget = widget->nextInFocusChain();
    } while (widget != form->path && order.size() < 20);
    const QList<QWidget *> expected {
        form->path, form->Command1, form->Command2, form->Check1, form->Command3};
    EXPECT_EQ(order, expected);
}

TEST_F(mFormTest, BrowseAppendsVexaToTheChosenFolder)
{
    const auto form = makeForm();
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("/media/Games"), QStringLiteral("/media/Games/vexa")},
        {QStringLiteral("/"), QStringLiteral("//vexa")},
        {QStringLiteral("/srv/x/vexa"), QStringLiteral("/srv/x/vexa/vexa")},
    };
    for (const auto &[folder, expected] : cases) {
        chosen = folder;
        form->Command2->click();
        EXPECT_EQ(form->path->text(), expected);
    }
    EXPECT_EQ(prompts, QStringList(3, QStringLiteral("浏览文件夹")));
    EXPECT_EQ(owners, std::vector<QWidget *>(3, form.get()));
}

TEST_F(mFormTest, BrowseCancelOrFailureKeepsTypedFolder)
{
    const auto form = makeForm();
    form->path->setText(QStringLiteral("/home/u/typed by hand"));
    form->Command2->click();
    chooserError = true;
    form->Command2->click();
    EXPECT_EQ(form->path->text(), QStringLiteral("/home/u/typed by hand"));
    // The chooser's error stopped the click in the guard, not in Qt's event loop.
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

} // namespace
