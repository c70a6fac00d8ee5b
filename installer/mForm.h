#pragma once

#include "ErrorGuard.h"
#include "InstallerFolders.h"

#include <QStringList>
#include <QWidget>

#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

// What tests replace in the installer window. Empty members get the real behaviour.
struct InstallerHooks
{
    // Shows a tip modal to owner and returns when it is dismissed.
    std::function<void(QWidget *owner, const QString &message)> showTip;
    // Asks for a folder (see browseFolder); the empty text on cancel.
    std::function<QString(QWidget *owner, const QString &prompt)> browseFolder;
    // Reports an error that escaped a handler and ends the program.
    ErrorGuard guard;
};

// The installer window: agreement, install folder, start, browse and instructions buttons.
class mForm : public QWidget
{
    Q_OBJECT

public:
    // Runs Form_Load before returning, so the window is ready to be shown.
    explicit mForm(InstallerFolders folders, InstallerHooks hooks = {}, QWidget *parent = nullptr);

    // The tip box of the installer's own messages: title "安装提示", one OK button, no icon.
    static void showTipBox(QWidget *owner, const QString &message);

    // Controls, under their designer names.
    QGroupBox *const Frame1;
    QLabel *const Label1;
    QLabel *const Label2;
    QLineEdit *const path;
    QPushButton *const Command1;
    QPushButton *const Command2;
    QLabel *const Label3;
    QCheckBox *const Check1;
    QPushButton *const Command3;
    QTimer *const Timer1;

    // Installation state, shared by the window's handlers.
    bool installed = false; // true once an installation has finished: Command1 opens the client
    QString fileList; // the package manifest
    QStringList files; // the manifest's entries, relative to the package folder
    qsizetype fileIndex = 0; // index in files of the next entry to copy

    const InstallerFolders &folders() const { return m_folders; }

    void Form_Load();
    QString getInstallPath() const;
    void showTip(const QString &message);
    void Command2_Click();
    void Label3_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void placeControls();
    // Runs a handler through the error guard: nothing it raises leaves the handler.
    void handle(void (mForm::*handler)());

    InstallerFolders m_folders;
    InstallerHooks m_hooks;
};
