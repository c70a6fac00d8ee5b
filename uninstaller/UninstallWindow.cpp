#include "UninstallWindow.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace {

// The installer window's size and font.
constexpr QSize windowSize(375, 248);
constexpr int designFontPixels = 11;

} // namespace

UninstallWindow::UninstallWindow(Uninstallation &uninstallation, QWidget *parent)
    : QWidget(parent)
    , Frame1(new QGroupBox(QStringLiteral("将删除以下内容"), this))
    , List1(new QPlainTextEdit(Frame1))
    , Label1(new QLabel(this))
    , Command1(new QPushButton(QStringLiteral("卸载"), this))
    , Command2(new QPushButton(QStringLiteral("取消"), this))
    , m_uninstallation(uninstallation)
{
    setWindowTitle(QStringLiteral("卸载 VEXA"));
    QFont designFont = font();
    designFont.setPixelSize(designFontPixels);
    setFont(designFont);
    setFixedSize(windowSize);
    Frame1->setGeometry(8, 8, 359, 170);
    List1->setGeometry(8, 20, 343, 142);
    Label1->setGeometry(8, 182, 359, 18);
    Command1->setGeometry(16, 206, 100, 32);
    Command2->setGeometry(259, 206, 100, 32);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        setGeometry(QStyle::alignedRect(
            Qt::LeftToRight, Qt::AlignCenter, size(), screen->availableGeometry()));

    List1->setReadOnly(true);
    List1->setTabChangesFocus(true);
    List1->setLineWrapMode(QPlainTextEdit::NoWrap);
    List1->setPlainText(m_uninstallation.plan().join(QLatin1Char('\n')));
    // The folder's start and its end both matter; the middle gives way.
    const QString folder = QStringLiteral("安装路径：") + m_uninstallation.installFolder();
    Label1->setText(Label1->fontMetrics().elidedText(folder, Qt::ElideMiddle, Label1->width()));
    Label1->setToolTip(folder);

    setTabOrder(List1, Command1);
    setTabOrder(Command1, Command2);
    Command2->setFocus();
    connect(Command1, &QPushButton::clicked, this, &UninstallWindow::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &UninstallWindow::Command2_Click);
}

void UninstallWindow::Command1_Click()
{
    Command1->setEnabled(false);
    const UninstallReport report = m_uninstallation.run();
    m_status = report.complete() ? StatusRemoved : StatusIncomplete;
    Frame1->setTitle(report.complete() ? QStringLiteral("卸载完成") : QStringLiteral("卸载未完成"));
    List1->setPlainText((report.problemLines() + report.doneLines()).join(QLatin1Char('\n')));
    Command1->setText(Frame1->title());
    Command2->setText(QStringLiteral("关闭"));
    Command2->setFocus();
}

void UninstallWindow::Command2_Click()
{
    close();
}
