#include "ClientWindow.h"

#include <QDir>
#include <QFont>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel *plainLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    // Folder names may hold '<' or '&': never read them as rich text.
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

ClientWindow::ClientWindow(const QString &programFolder, QWidget *parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("VEXA"));
    setMinimumWidth(360);
    // The installer copies the icon beside the program; a missing one leaves the default.
    setWindowIcon(QIcon(programFolder + QStringLiteral("/favicon.ico")));

    auto *title = plainLabel(QStringLiteral("VEXA 客户端"), this);
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    title->setFont(titleFont);

    auto *folder = plainLabel(
        QStringLiteral("运行目录 / Running from:\n") + QDir::toNativeSeparators(programFolder),
        this);
    folder->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *close = new QPushButton(QStringLiteral("关闭 / Close"), this);
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(plainLabel(QStringLiteral("这是 VEXA 客户端，安装成功！"), this));
    layout->addWidget(
        plainLabel(QStringLiteral("This is the VEXA client: the installation worked."), this));
    layout->addSpacing(8);
    layout->addWidget(folder);
    layout->addSpacing(8);
    layout->addWidget(close, 0, Qt::AlignRight);
}

void ClientWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
