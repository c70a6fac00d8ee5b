#pragma once

#include <QPixmap>
#include <QString>

#include <memory>

class KWinScreenShot;
class PortalScreenshot;

// The primary screen as the capture window freezes it, or why there is none.
struct ScreenPicture
{
    enum Status {
        Taken,
        Declined, // the user declined the desktop's screenshot request
        Failed, // reason says why, in words a user reads
    };
    Status status = Failed;
    QPixmap picture;
    QString reason;

    // A grab as it came: a null or empty picture is a failure.
    static ScreenPicture fromGrab(const QPixmap &picture);
    // The program's exit status when the capture cannot go on (not Taken).
    int exitStatus() const;
};

// Takes the primary screen the way this session allows. Construct it as early
// as possible, before the QApplication exists: on Wayland the request to KWin
// (where KWin offers its own screenshot and an entry names this program for
// it) or else to the portal leaves at once, on X11 the direct grab starts in a
// thread of its own, and take() only waits for what was started, so the work
// in between overlaps it. Should KWin refuse after all, take() asks the portal.
// take() needs the QGuiApplication and must come before any window of ours shows.
class ScreenSource
{
public:
    ScreenSource();
    ~ScreenSource();
    ScreenSource(const ScreenSource &) = delete;
    ScreenSource &operator=(const ScreenSource &) = delete;

    ScreenPicture take();

private:
    void startPortal();

    bool m_onKWin = false;
    std::unique_ptr<KWinScreenShot> m_kwin;
    std::unique_ptr<PortalScreenshot> m_portal;
};

// Tells the user the screen could not be captured and why, then returns the
// exit status for it; the user's own decline ends quietly.
int reportNotTaken(const ScreenPicture &screen);
