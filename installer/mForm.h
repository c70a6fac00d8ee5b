#pragma once

#include "ErrorGuard.h"
#include "Installation.h"
#include "InstallerFolders.h"

#include <QStringList>
#include <QUrl>
#include <QWidget>

#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QNetworkAccessManager;
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
    // Receives the install report: only scheme, host and port count. Empty: the maker's server.
    QUrl reportServer;
    // Starts the installed client, detached (see startDetachedProgram); raises when it cannot.
    std::function<void(const QString &program)> startProgram;
    // Opens a file or a web address with the desktop's default application (see openWithDesktop).
    std::function<bool(const QUrl &url)> openUrl;
};

// The installer window: agreement, install folder, start, browse and instructions buttons.
//
// An installation: Command1_Click -> startInstall has the package beside the program scanned into
// the install folder's tree, then each Timer1 tick copies one file until the tick after the last
// one runs finishInstall: launchers, settings file, package removal, report. The steps themselves
// are Installation's; the window paces them and shows where they are. After that Command1_Click
// starts the installed client and closes the window. Command3 and Label3 open the instructions
// and the maker's site at any time, an installation going on too.
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
    // The package manifest, one entry per file: its path relative to the package folder, led by
    // a separator ("/vexa.exe", "/R/S/B"). A list, so any name the file system allows survives.
    QStringList fileList;
    QStringList files; // the entries being copied, in manifest order
    qsizetype fileIndex = 0; // index in files of the next entry to copy

    const InstallerFolders &folders() const { return m_installation.folders(); }
    // The package: the folder "base" beside the program.
    QString packageFolder() const { return m_installation.packageFolder(); }

    void Form_Load();
    QString getInstallPath() const;
    void showTip(const QString &message);

    // Before a finished installation: startInstall. After one: starts the client in the folder
    // the box shows and closes the window; when the client is not there, offers to install again.
    void Command1_Click();
    void Command2_Click();
    // Opens 使用说明.txt beside the program, when it is there.
    void Command3_Click();
    // Opens the maker's site.
    void Label3_Click();
    // One tick of the copy timer: copies the next entry, or finishes after the last one.
    void Timer1_Timer();

    // Shows the reason why an installation may not start (see Installation::refusal) as a tip;
    // else has the package scanned into fileList and starts the copy timer. The folder box is
    // read-only from here until the finish has read it.
    void startInstall();
    // Finished state, then the installation's finish and its report, never waited for.
    void finishInstall();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void placeControls();
    // Runs a handler through the error guard: nothing it raises leaves the handler.
    void handle(void (mForm::*handler)());

    InstallerHooks m_hooks;
    QNetworkAccessManager *const m_network;
    // Holds the install folder as the scan read it from the box; the copies and the finish use it.
    Installation m_installation;
};
