#pragma once

#include "PortalReply.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <chrono>
#include <optional>

class QDBusPendingCallWatcher;

// One non-interactive Screenshot request to the desktop's portal
// (org.freedesktop.portal.Screenshot) over `bus`. start() sends it and returns
// at once, so the caller can go on with work that does not need the picture;
// waitForAnswer() then runs an event loop until the portal's Response, an
// error, or the time allowed. Needs a QCoreApplication.
//
// The portal writes its picture into the user's folders. A request that was
// given up is never closed, as closing it does not stop a picture that is on
// its way, it only hides its name: the request stays open instead, and the
// picture of an answer that comes too late is removed when it comes.
class PortalScreenshot : public QObject
{
    Q_OBJECT
public:
    explicit PortalScreenshot(const QDBusConnection &bus);

    void start();
    // The answer, waiting for it until `limit` after start(); after that the
    // answer says that none came.
    PortalReply::Answer waitForAnswer(std::chrono::milliseconds limit);
    // The code of the portal's Response that waitForAnswer() gave (0 success,
    // 1 cancelled by the user, 2 otherwise ended); none when the answer was
    // not the portal's (no portal, no answer in time).
    std::optional<uint> response() const { return m_response; }
    // True once the portal has answered, in time or too late, or the request failed.
    bool settled() const { return m_settled; }
    // Runs an event loop until the portal has answered, or until `limit` after start().
    void waitUntilSettled(std::chrono::milliseconds limit);

signals:
    void answered();
    void settledNow();

private slots:
    void onResponse(uint response, const QVariantMap &results);

private:
    void onCallFinished(QDBusPendingCallWatcher *call);
    void listenOn(const QString &requestPath);
    void answer(const PortalReply::Answer &answer);
    std::chrono::milliseconds left(std::chrono::milliseconds limit) const;

    QDBusConnection m_bus;
    QElapsedTimer m_sent;
    QString m_requestPath;
    PortalReply::Answer m_answer;
    std::optional<uint> m_response;
    bool m_answered = false;
    bool m_settled = false;
};
