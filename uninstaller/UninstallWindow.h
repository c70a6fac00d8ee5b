#pragma once

#include "Uninstallation.h"

#include <QWidget>

class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// The uninstaller's window, in the installer's style: what will be removed, [卸载] and [取消].
// Nothing is removed before the click on 卸载; then the list shows what was removed and kept,
// and 取消 becomes 关闭. The focus starts on 取消.
class UninstallWindow : public QWidget
{
    Q_OBJECT

public:
    explicit UninstallWindow(Uninstallation &uninstallation, QWidget *parent = nullptr);

    // The program's exit status as things stand: cancelled until the removal has run.
    int status() const { return m_status; }

    QGroupBox *const Frame1;
    QPlainTextEdit *const List1;
    QLabel *const Label1;
    QPushButton *const Command1;
    QPushButton *const Command2;

    // Removes the installation and shows what became of each entry.
    void Command1_Click();
    void Command2_Click();

private:
    Uninstallation &m_uninstallation;
    int m_status = StatusCancelled;
};
