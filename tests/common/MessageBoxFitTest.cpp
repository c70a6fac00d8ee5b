// Message boxes on the offscreen platform's 800x800 screen: long paths are elided in the middle,
// every other text is left as it is, and the real box stays on its screen.
#include "MessageBoxFit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontMetrics>
#include <QMessageBox>
#include <QScreen>

#include <gtest/gtest.h>

namespace {

constexpr int lineWidth = 357, maxHeight = 600;

// An error naming a path of `components` folders, each `name`.
QString errorText(int components, const QString &name)
{
    return QStringLiteral("运行时错误 76：\n\nCreateFolder \"%1/vexa.exe\": Path not found")
        .arg(QStringLiteral("/") + QStringList(components, name).join(u'/'));
}

int heightOf(const QString &text, const QFontMetrics &metrics)
{
    return metrics.boundingRect(QRect(0, 0, lineWidth, 1 << 24), Qt::TextWordWrap, text).height();
}

TEST(MessageBoxFitTest, OnlyTooWideRunsWithASeparatorAreElided)
{
    const QFontMetrics metrics(QApplication::font());
    const QString unchanged[] = {
        QStringLiteral("请先同意安装协议"),
        errorText(12, QStringLiteral("文件夹 一")),
        QStringLiteral(
            "CopyFile \"/opt/vexa/vexa.exe\": Permission denied (Read-only file system)"),
        QString(200, u'a'), // no separator: Qt wraps it anywhere, as it always did
        QStringLiteral("安装").repeated(200),
    };
    for (const QString &text : unchanged) {
        EXPECT_EQ(fittedMessageText(text, metrics, lineWidth, maxHeight), text);
    }

    // One long run: elided to a line, keeping the head, the file's name and the reason.
    const QString fitted = fittedMessageText(
        errorText(330, QStringLiteral("component")), metrics, lineWidth, maxHeight);
    EXPECT_TRUE(fitted.startsWith(QStringLiteral("运行时错误 76：\n\nCreateFolder \"/component/")));
    EXPECT_TRUE(fitted.endsWith(QStringLiteral("/component/vexa.exe\": Path not found")));
    const QString run = fitted.section(u' ', 1, 1);
    EXPECT_LE(metrics.horizontalAdvance(run), lineWidth);
    EXPECT_LE(heightOf(fitted, metrics), 6 * metrics.lineSpacing());

    // Many short runs still too tall: each paragraph wider than a line becomes one line.
    const QString blanks = errorText(330, QStringLiteral("folder name"));
    const QString oneLine = fittedMessageText(blanks, metrics, lineWidth, maxHeight);
    EXPECT_GT(heightOf(blanks, metrics), maxHeight);
    EXPECT_LE(heightOf(oneLine, metrics), 4 * metrics.lineSpacing());
    EXPECT_TRUE(oneLine.startsWith(QStringLiteral("运行时错误 76：\n\nCreateFolder \"/folder name/")));
    EXPECT_TRUE(oneLine.endsWith(QStringLiteral("vexa.exe\": Path not found")));
}

TEST(MessageBoxFitTest, RealBoxStaysOnItsScreenWithItsButtonAndShortBoxesKeepTheirSize)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const auto shownSize = [](QMessageBox &box) {
        box.show();
        QApplication::processEvents();
        const QSize size = box.size();
        box.hide();
        return size;
    };
    for (const QMessageBox::Icon icon : {QMessageBox::NoIcon, QMessageBox::Critical}) {
        QMessageBox longBox(icon, QStringLiteral("install"),
            errorText(330, QStringLiteral("component")), QMessageBox::Ok);
        QMessageBox unfitted(icon, QStringLiteral("install"),
            errorText(330, QStringLiteral("component")), QMessageBox::Ok);
        fitToScreen(longBox);
        EXPECT_GT(shownSize(unfitted).height(), screen.height()); // what the fit prevents
        longBox.show();
        QApplication::processEvents();
        EXPECT_TRUE(screen.contains(longBox.frameGeometry())) << longBox.height();
        const QAbstractButton *ok = longBox.button(QMessageBox::Ok);
        EXPECT_TRUE(screen.contains(QRect(ok->mapToGlobal(QPoint(0, 0)), ok->size())));

        QMessageBox plain(
            icon, QStringLiteral("安装提示"), QStringLiteral("请先同意安装协议"), QMessageBox::Ok);
        QMessageBox fitted(icon, plain.windowTitle(), plain.text(), QMessageBox::Ok);
        fitToScreen(fitted);
        EXPECT_EQ(shownSize(fitted), shownSize(plain));
    }
}

} // namespace
