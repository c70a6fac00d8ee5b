#pragma once

#include <QPixmap>
#include <QString>

#include <memory>

class KWinScreenShot;
class PermittedScreenshot;

// The primary screen as the capture window freezes it, or why there is none.
struct ScreenPicture
{
    enum Status {
        Taken,
        Declined, // the user declined the desktop's screenshot request
        Refused, // the desktop refuses screenshots to this program
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
    // After a refusal, on the user's request: the desktop forgets it and asks
    // the user again; the picture, or why there is none, as take() gives it.
    ScreenPicture askAgain();
    // True when a request was given up and its answer may still come.
    bool lateAnswerPending() const;
    // Once the program has no more use for the picture: waits, within the
    // desktop's own limits, for the answer to a request that was given up, so
    // that the picture the desktop still writes for it is removed.
    void settleLateAnswer();

private:
    void startPortal();

    bool m_onKWin = false;
    std::unique_ptr<KWinScreenShot> m_kwin;
    std::unique_ptr<PermittedScreenshot> m_portal;
};

// Tells the user the screen could not be captured and why, then returns the
// exit status for it; the user's own decline ends quietly, and so does a
// refusal, which offerToAskAgain() has told already.
int reportNotTaken(const ScreenPicture &screen);
