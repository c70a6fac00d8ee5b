#include "mForm.h"

#include "Agreement.h"
#include "InstallPath.h"
#include "InstallReport.h"
#include "Launch.h"
#include "MessageBoxFit.h"
#include "Module1.h"
#include "platform/FileSystem.h"

#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QNetworkAccessManager>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace {

// The layout is designed in twips, 15 to a pixel.
constexpr int pixels(int twips)
{
    return (twips + 7) / 15;
}

QRect twipRect(int left, int top, int width, int height)
{
    return {pixels(left), pixels(top), pixels(width), pixels(height)};
}

constexpr int copyTickMs = 200;
constexpr int designFontPixels = 11;

} // namespace

mForm::mForm(InstallerFolders folders, InstallerHooks hooks, QWidget *parent)
    : QWidget(parent)
    , Frame1(new QGroupBox(QStringLiteral("安装说明协议"), this))
    , Label1(new QLabel(Frame1))
    , Label2(new QLabel(QStringLiteral("安装路径："), this))
    , path(new QLineEdit(this))
    , Command1(new QPushButton(QStringLiteral("开始安装"), this))
    , Command2(new QPushButton(QStringLiteral("浏览.."), this))
    , Label3(new QLabel(siteCaption(), this))
    , Check1(new QCheckBox(QStringLiteral("我同意以上协议"), this))
    , Command3(new QPushButton(QStringLiteral("使用说明"), this))
    , Timer1(new QTimer(this))
    , m_hooks(std::move(hooks))
    , m_network(new QNetworkAccessManager(this))
    , m_installation(std::move(folders))
{
    if (!m_hooks.showTip)
        m_hooks.showTip = &mForm::showTipBox;
    if (!m_hooks.browseFolder)
        m_hooks.browseFolder = &::browseFolder;
    if (m_hooks.reportServer.isEmpty())
        m_hooks.reportServer = makerReportServer();
    if (!m_hooks.startProgram)
        m_hooks.startProgram = &startDetachedProgram;
    if (!m_hooks.openUrl)
        m_hooks.openUrl = &openWithDesktop;

    setWindowTitle(QStringLiteral("VEXA即时通信"));
    // The layout is drawn for an 11-pixel font (8 pt at 96 dpi). The default 12 pixels, with the
    // taller line height of the CJK fonts, would push the agreement's last line under Check1.
    QFont designFont = font();
    designFont.setPixelSize(designFontPixels);
    setFont(designFont);
    placeControls();

    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setWordWrap(true);
    QPalette linkColours = Label3->palette();
    linkColours.setColor(QPalette::WindowText, QColor(0, 0, 255));
    Label3->setPalette(linkColours);
    Label3->installEventFilter(this);

    Timer1->setInterval(copyTickMs);
    // Screen readers name the folder box by its label.
    Label2->setBuddy(path);

    setTabOrder(path, Command1);
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Check1);
    setTabOrder(Check1, Command3);
    path->setFocus();

    connect(Command1, &QPushButton::clicked, this, [this] { handle(&mForm::Command1_Click); });
    connect(Command2, &QPushButton::clicked, this, [this] { handle(&mForm::Command2_Click); });
    connect(Command3, &QPushButton::clicked, this, [this] { handle(&mForm::Command3_Click); });
    connect(Timer1, &QTimer::timeout, this, [this] { handle(&mForm::Timer1_Timer); });

    handle(&mForm::Form_Load);
}

void mForm::placeControls()
{
    setFixedSize(pixels(5625), pixels(3720));
    Frame1->setGeometry(twipRect(120, 120, 5295, 2055));
    Label1->setGeometry(twipRect(240, 400, 4815, 1215));
    Label2->setGeometry(twipRect(120, 2400, 975, 255));
    path->setGeometry(twipRect(1080, 2400, 3375, 270));
    Command1->setGeometry(twipRect(240, 2880, 1935, 615));
    Command2->setGeometry(twipRect(4560, 2350, 855, 375));
    // The host is a build setting of any length: the link widens leftwards to show it whole.
    QRect link = twipRect(3600, 3120, 1935, 255);
    link.setLeft(std::max(0, std::min(link.left(), link.right() + 1 - Label3->sizeHint().width())));
    Label3->setGeometry(link);
    Check1->setGeometry(twipRect(360, 1700, 1575, 375));
    Command3->setGeometry(twipRect(2040, 1680, 975, 375));

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        setGeometry(QStyle::alignedRect(
            Qt::LeftToRight, Qt::AlignCenter, size(), screen->availableGeometry()));
}

void mForm::handle(void (mForm::*handler)())
{
    m_hooks.guard.run([this, handler] { (this->*handler)(); });
}

void mForm::Form_Load()
{
    installed = false;
    Label1->setText(agreementText());
    path->setText(getInstallPath());
}

QString mForm::getInstallPath() const
{
    return readInstallPath(folders().dataFolder);
}

void mForm::showTip(const QString &message)
{
    m_hooks.showTip(this, message);
}

void mForm::showTipBox(QWidget *owner, const QString &message)
{
    QMessageBox box(
        QMessageBox::NoIcon, QStringLiteral("安装提示"), message, QMessageBox::Ok, owner);
    fitToScreen(box);
    box.exec();
}

void mForm::Command1_Click()
{
    if (!installed) {
        startInstall();
        return;
    }

    // The folder as the box shows it now: the user may have changed it since the finish.
    const QString client = path->text() + QDir::separator() + QStringLiteral("vexa.exe");
    if (!platform::FileSystem().FileExists(client)) {
        showTip(
            QStringLiteral("安装没有成功，不能打开，可无法安装，请查看【使用说明.txt】手动安装"));
        Command1->setText(QStringLiteral("重新安装"));
        Command1->setEnabled(true);
        Command2->setEnabled(true);
        installed = false;
        return;
    }
    m_hooks.startProgram(client);
    close();
}

void mForm::startInstall()
{
    const QString refusal
        = m_installation.refusal(Check1->checkState() != Qt::Unchecked, path->text());
    if (!refusal.isNull()) {
        showTip(refusal);
        return;
    }

    // The whole scan runs before any control changes; it creates every target folder.
    fileList = m_installation.scan(path->text());

    path->setReadOnly(true);
    Command1->setEnabled(false);
    Command2->setEnabled(false);
    Command1->setText(QStringLiteral("安装中..."));
    files = fileList;
    fileIndex = 0;
    Timer1->start();
}

void mForm::Timer1_Timer()
{
    const qsizetype n = files.size() - 1;
    if (fileIndex > n) {
        Timer1->stop();
        finishInstall();
        return;
    }
    Command1->setText(QStringLiteral("安装中(%1/%2)...").arg(n).arg(fileIndex));
    try {
        m_installation.copy(files.at(fileIndex));
    } catch (...) {
        // No further tick may run while the error is on screen.
        Timer1->stop();
        throw;
    }
    ++fileIndex;
}

void mForm::finishInstall()
{
    Command1->setText(QStringLiteral("安装完成,打开软件"));
    Command1->setEnabled(true);
    installed = true;
    path->setReadOnly(false);

    m_installation.finish(false);
    sendReport(*m_network,
        installReportUrl(m_hooks.reportServer, reportTime(QDateTime::currentDateTime())));
}

void mForm::Command2_Click()
{
    const QString folder = m_hooks.browseFolder(this, QStringLiteral("浏览文件夹"));
    // A chosen root already ends with the separator; the doubled one is kept as it is.
    if (!folder.isEmpty())
        path->setText(folder + QDir::separator() + QStringLiteral("vexa"));
}

void mForm::Command3_Click()
{
    const QString instructions
        = folders().programFolder + QDir::separator() + QStringLiteral("使用说明.txt");
    // A missing file shows nothing; what the desktop fails to open never stops the installer.
    if (platform::FileSystem().FileExists(instructions))
        m_hooks.openUrl(QUrl::fromLocalFile(instructions));
}

void mForm::Label3_Click()
{
    m_hooks.openUrl(QUrl(QStringLiteral("http://") + makerSiteHost()));
}

bool mForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Label3 && event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton
            && Label3->rect().contains(mouse->position().toPoint()))
            handle(&mForm::Label3_Click);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
