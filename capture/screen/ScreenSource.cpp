#include "ScreenSource.h"

#include "CaptureOutcome.h"
#include "DesktopDialog.h"
#include "MessageBoxFit.h"
#include "PermittedScreenshot.h"
#include "ScreenGrab.h"
#include "WaylandSession.h"
#include "X11ShmGrab.h"

#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QMessageBox>
#include <QScreen>
#include <QtDebug>

namespace {

// The desktop's picture as the portal wrote it for this call, cut to the
// primary screen. The file exists for this call only and is removed once read.
ScreenPicture pictureFromPortal(const PermittedScreenshot::Result &result)
{
    if (result.refused)
        return {ScreenPicture::Refused, {}, {}};
    const PortalReply::Answer &answer = result.answer;
    if (answer.kind == PortalReply::Answer::Declined)
        return {ScreenPicture::Declined, {}, {}};
    if (answer.kind == PortalReply::Answer::Failed)
        return {ScreenPicture::Failed, {}, answer.reason};

    const QImage whole = QImageReader(answer.filePath).read();
    QFile::remove(answer.filePath);
    if (whole.isNull())
        return {ScreenPicture::Failed, {}, QStringLiteral("无法读取桌面截图服务给出的截图。")};
    const QScreen *primary = QGuiApplication::primaryScreen();
    QRect desktop;
    for (const QScreen *screen : QGuiApplication::screens())
        desktop |= screen->geometry();
    const QImage cropped
        = primary ? PortalReply::cropToScreen(whole, desktop, primary->geometry()) : QImage();
    if (cropped.isNull())
        return {
            ScreenPicture::Failed, {}, QStringLiteral("桌面截图服务给出的截图与屏幕大小不符。")};
    return ScreenPicture::fromGrab(QPixmap::fromImage(cropped));
}

} // namespace

ScreenPicture ScreenPicture::fromGrab(const QPixmap &picture)
{
    if (picture.isNull() || picture.width() <= 0 || picture.height() <= 0)
        return {Failed, {}, QStringLiteral("取得的屏幕画面是空的。")};
    return {Taken, picture, {}};
}

int ScreenPicture::exitStatus() const
{
    switch (status) {
    case Taken:
        break;
    case Declined:
    case Refused: // the user's own choice, which the message names
        return CaptureOutcome::UserQuit;
    case Failed:
        return CaptureOutcome::ScreenNotCaptured;
    }
    return CaptureOutcome::FileWritten;
}

ScreenSource::ScreenSource()
{
    // On Wayland no client may read the screen, on either Qt platform. On X11 the
    // direct grab starts now and runs while Qt starts up.
    if (!onWaylandSession()) {
        X11ShmGrab::start();
        return;
    }
    m_portal = std::make_unique<PermittedScreenshot>(QDBusConnection::sessionBus());
}

ScreenSource::~ScreenSource() = default;

ScreenPicture ScreenSource::take()
{
    return m_portal ? pictureFromPortal(m_portal->waitForAnswer())
                    : ScreenPicture::fromGrab(grabPrimaryScreen());
}

ScreenPicture ScreenSource::askAgain()
{
    if (!m_portal || !m_portal->askAgain())
        return {ScreenPicture::Failed, {}, QStringLiteral("桌面没有让本程序撤销它保存的拒绝。")};
    return take();
}

bool ScreenSource::lateAnswerPending() const
{
    return m_portal && m_portal->lateAnswerPending();
}

void ScreenSource::settleLateAnswer()
{
    if (m_portal)
        m_portal->settleLateAnswer();
}

int reportNotTaken(const ScreenPicture &screen)
{
    if (screen.status == ScreenPicture::Failed) {
        const QString message = QStringLiteral("无法截取屏幕。\n%1").arg(screen.reason);
        // Also for whoever started the program from a terminal or a script.
        qWarning().noquote() << message;
        // The reason may name a file: a long path must not push the button off the screen.
        QMessageBox box(
            QMessageBox::Critical, QStringLiteral("vexacaptScreen"), message, QMessageBox::Ok);
        fitToScreen(box);
        execAsDesktopDialog(box);
    }
    return screen.exitStatus();
}
