#include "ScreenshotRefusal.h"

#include "DesktopDialog.h"
#include "MessageBoxFit.h"

#include <QMessageBox>
#include <QPushButton>
#include <QtDebug>

namespace {

const QString refusal
    = QStringLiteral("桌面拒绝本程序截屏。\n"
                     "桌面询问是否允许截屏时得到的回答是“拒绝”，它记住了这个回答，所以不再询问。\n"
                     "要重新允许截屏，请点击“重新询问”，然后在桌面的询问中选择“允许”。");

// The same for whoever started the program from a terminal, where no button is.
const QString fromTerminal
    = QStringLiteral("也可以运行下面的命令让桌面忘掉这个回答，下次截屏时它会再次询问：\n"
                     "gdbus call --session --dest org.freedesktop.impl.portal.PermissionStore "
                     "--object-path /org/freedesktop/impl/portal/PermissionStore "
                     "--method org.freedesktop.impl.portal.PermissionStore.DeletePermission "
                     "screenshot screenshot ''");

} // namespace

bool offerToAskAgain()
{
    qWarning().noquote() << refusal << '\n' << fromTerminal;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("vexacaptScreen"), refusal);
    QPushButton *askAgain = box.addButton(QStringLiteral("重新询问"), QMessageBox::AcceptRole);
    QPushButton *close = box.addButton(QStringLiteral("关闭"), QMessageBox::RejectRole);
    // Asking again takes a click on its own button: Enter and Esc close.
    box.setDefaultButton(close);
    box.setEscapeButton(close);
    fitToScreen(box);
    execAsDesktopDialog(box);
    return box.clickedButton() == askAgain;
}
