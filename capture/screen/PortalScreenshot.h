#pragma once

#include "PortalReply.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <chrono>

class QDBusPendingCallWatcher;

// One non-interactive Screenshot request to the desktop's portal
// (org.freedesktop.portal.Screenshot) over `bus`. start() sends it and returns
// at once, so the caller can go on with work that does not need the picture;
// waitForAnswer() then runs an event loop until the portal's Response, an
// error, or the timeout. Needs a QCoreApplication.
class PortalScreenshot : public QObject
{
    Q_OBJECT
public:
    PortalScreenshot(const QDBusConnection &bus, std::chrono::milliseconds timeout);

    void start();
    // The answer; on a timeout the request is closed and the answer says so.
    PortalReply::Answer waitForAnswer();

signals:
    void answered();

private slots:
    void onResponse(uint response, const QVariantMap &results);

private:
    void onCallFinished(QDBusPendingCallWatcher *call);
    void listenOn(const QString &requestPath);
    void answer(const PortalReply::Answer &answer);

    QDBusConnection m_bus;
    std::chrono::milliseconds m_timeout;
    QString m_requestPath;
    PortalReply::Answer m_answer;
    bool m_answered = false;
};
