// Qt's stock texts in the installer's message box and folder chooser: Chinese once the
// translation is loaded, under a locale that asks for none; English, and no failure, without it.
#include "Module1.h"
#include "NextModal.h"
#include "StockTranslation.h"
#include "mForm.h"

#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTranslator>

#include <gtest/gtest.h>

namespace {

// Set before main() creates the application, which reads the locale once.
const bool plainLocale = [] {
    qputenv("LANG", "C.UTF-8");
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANGUAGE"})
        qunsetenv(name);
    return true;
}();

QStringList dialogTexts(QWidget *dialog)
{
    QStringList texts;
    for (const QPushButton *button : dialog->findChildren<QPushButton *>())
        texts << button->text();
    for (const QLabel *label : dialog->findChildren<QLabel *>())
        texts << label->text();
    return texts;
}

// The OK button's text and every button and label text of the folder chooser.
std::pair<QString, QStringList> shownTexts()
{
    QWidget owner;
    QString ok;
    QStringList chooser;
    onNextModal<QMessageBox>([&ok](QMessageBox *box) {
        ok = box->button(QMessageBox::Ok)->text();
        box->accept();
    });
    mForm::showTipBox(&owner, QStringLiteral("请先同意安装协议"));
    onNextModal<QFileDialog>([&chooser](QFileDialog *dialog) {
        chooser = dialogTexts(dialog);
        dialog->reject();
    });
    browseFolder(&owner, QStringLiteral("浏览文件夹"));
    return {ok, chooser};
}

TEST(StockTextsTest, ChineseOnceLoadedEnglishWithoutTheFile)
{
    ASSERT_TRUE(plainLocale);
    QTemporaryDir empty;
    EXPECT_FALSE(loadChineseStockTexts(empty.path()));
    const auto [englishOk, englishChooser] = shownTexts();
    EXPECT_EQ(englishOk, QStringLiteral("OK"));
    EXPECT_TRUE(englishChooser.contains(QStringLiteral("Cancel")));

    ASSERT_TRUE(loadChineseStockTexts());
    const auto [ok, chooser] = shownTexts();
    EXPECT_EQ(ok, QStringLiteral("确定"));
    EXPECT_EQ(chooser,
        (QStringList {QStringLiteral("选择(&C)"), QStringLiteral("取消"),
            QStringLiteral("查找范围："), QStringLiteral("目录："), QStringLiteral("文件类型：")}));
    for (QTranslator *translator : qApp->findChildren<QTranslator *>())
        QCoreApplication::removeTranslator(translator);
}

} // namespace
