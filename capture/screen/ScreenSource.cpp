#include "ScreenSource.h"

#include "CaptureOutcome.h"
#include "DesktopDialog.h"
#include "KWinGrant.h"
#include "KWinScreenShot.h"
#include "KdePortalAnswer.h"
#include "MessageBoxFit.h"
#include "PermittedScreenshot.h"
#include "ScreenGrab.h"
#include "WaylandSession.h"
#include "X11ShmGrab.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QMessageBox>
#include <QScreen>
#include <QStandardPaths>
#include <QtDebug>

#include <utility>

namespace {

// KWin refuses a program it does not grant its screenshot at once, and takes
// a picture by its next frame.
constexpr std::chrono::seconds kwinTimeout(3);

// The primary screen's part of a picture of the whole desktop.
ScreenPicture primaryScreenOf(const QImage &whole)
{
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
    return primaryScreenOf(whole);
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
    // KWin's own screenshot leaves the pointer out and writes no file; the
    // portal serves where KWin does not grant it to this program.
    const QDBusConnection bus = QDBusConnection::sessionBus();
    m_onKWin = KWinScreenShot::offered(bus);
    if (m_onKWin
        && namedForKWinScreenShot(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget(),
            QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation)))
        m_kwin = KWinScreenShot::request(bus, kwinTimeout);
    if (!m_kwin)
        startPortal();
}

void ScreenSource::startPortal()
{
    m_portal = std::make_unique<PermittedScreenshot>(QDBusConnection::sessionBus());
}

ScreenSource::~ScreenSource() = default;

ScreenPicture ScreenSource::take()
{
    if (m_kwin) {
        // KWin is asked once: after a refusal the portal serves, asking again included.
        const QImage whole = std::exchange(m_kwin, nullptr)->take();
        if (!whole.isNull())
            return primaryScreenOf(whole);
        startPortal();
    }
    if (!m_portal)
        return ScreenPicture::fromGrab(grabPrimaryScreen());
    PermittedScreenshot::Result result = m_portal->waitForAnswer();
    // On KWin's desktop the portal asks nobody: its "cancelled" is a failure there.
    if (m_onKWin)
        result.answer = kdePortalAnswer(
            result.answer, QStandardPaths::writableLocation(QStandardPaths::PicturesLocation));
    return pictureFromPortal(result);
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
