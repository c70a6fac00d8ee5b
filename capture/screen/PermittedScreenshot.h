#pragma once

#include "PermissionStore.h"
#include "PortalReply.h"

#include <QDBusConnection>

#include <memory>

class PortalScreenshot;

// A screenshot through the desktop's portal, asked with the permission the
// desktop keeps for this program in mind: while the desktop may be asking the
// user, the wait lasts as long as the user may take to answer, and a request
// that ends without a picture because the desktop refuses screenshots to this
// program is told apart from a failure of the service.
class PermittedScreenshot
{
public:
    // Sends the permission's look-up and the request at once; needs no
    // QCoreApplication yet, but every call below does.
    explicit PermittedScreenshot(const QDBusConnection &bus);
    ~PermittedScreenshot();
    PermittedScreenshot(const PermittedScreenshot &) = delete;
    PermittedScreenshot &operator=(const PermittedScreenshot &) = delete;

    struct Result
    {
        PortalReply::Answer answer;
        bool refused = false; // the desktop refuses screenshots to this program
    };
    Result waitForAnswer();

    // Removes the stored refusal, so that the desktop asks the user again, and
    // sends a new request: waitForAnswer() then gives its answer. False when
    // the store would not remove it.
    bool askAgain();

    // True when the request was given up and its answer may still come.
    bool lateAnswerPending() const;
    // Waits, up to the portal's own limits, for an answer that came too late
    // for waitForAnswer(), so that the picture it names is removed as well.
    void settleLateAnswer();

private:
    void send();

    QDBusConnection m_bus;
    PermissionStore m_store;
    std::unique_ptr<PortalScreenshot> m_request;
    const bool m_desktopAsks;
};
