#pragma once

#include "ScreenshotPermission.h"

#include <QDBusConnection>
#include <QObject>

#include <chrono>

class QDBusPendingCallWatcher;

// The desktop's permission store (org.freedesktop.impl.portal.PermissionStore
// on the session bus), where the screenshot portal keeps the user's answer to
// its dialog. Every failure to reach it reads as nothing stored.
class PermissionStore : public QObject
{
    Q_OBJECT
public:
    explicit PermissionStore(const QDBusConnection &bus);

    // Asks for the screenshot permission and returns at once; a look-up made
    // before no longer counts.
    void lookUp();
    // The answer to lookUp(), waiting for it up to `limit`.
    ScreenshotPermission::Stored waitForLookUp(std::chrono::milliseconds limit);
    // The screenshot permission as it is stored now.
    ScreenshotPermission::Stored lookUpNow();
    // Removes the stored answer, so that the portal asks the user again; it
    // never grants anything itself. False when the store could not do it.
    bool forgetAnswer();

signals:
    void lookedUp();

private:
    void onLookUpFinished(QDBusPendingCallWatcher *call);

    QDBusConnection m_bus;
    ScreenshotPermission::Stored m_stored = ScreenshotPermission::Stored::NotAsked;
    bool m_lookedUp = false;
};
