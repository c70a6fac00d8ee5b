#pragma once

#include <QByteArrayView>
#include <QMap>
#include <QString>
#include <QStringList>

#include <chrono>

// The desktop's permission for this program to take screenshots, and what
// follows from it. Before the first non-interactive screenshot of a program,
// GNOME's screenshot portal asks the user ("Allow Applications to Take
// Screenshots?" Deny | Allow) and keeps the answer in the permission store:
// table "screenshot", entry "screenshot", under the program's application id
// ("" for a program outside a sandbox). Later requests are answered at once,
// with the picture after a "yes", refused after a "no". Nothing here needs a
// bus.
namespace ScreenshotPermission {

enum class Stored {
    Granted, // "yes"
    Refused, // "no"
    NotAsked, // nothing stored, or no store to ask
};

// The answer kept for `appId` in the permissions of a Lookup("screenshot",
// "screenshot") reply of org.freedesktop.impl.portal.PermissionStore.
Stored fromPermissions(const QMap<QString, QStringList> &permissions, const QString &appId = {});

// Whether the desktop named by $XDG_CURRENT_DESKTOP (a colon-separated list)
// shows its own permission dialog before a program's first screenshot.
bool desktopAsksFirst(QByteArrayView currentDesktop);

// How long the portal's answer may take, counted from the request. Short when
// nobody is asked. While the desktop's dialog may be up, the user reads it and
// answers: the wait then lasts past the portal's own limit for its dialog
// (25 s), so that a question nobody answers is ended by the portal, which
// answers then, and never by us while the user may still answer it.
std::chrono::milliseconds answerLimit(Stored before, bool desktopAsks);

// The portal's request ended without a picture. What that means, from the
// permission stored before the request and once the answer came.
enum class Ending {
    Refused, // the desktop refuses screenshots to this program (a Deny now, or stored earlier)
    Unanswered, // the desktop may have asked without getting an answer in time
    Failed, // the screenshot service failed
};
Ending whyEnded(Stored before, Stored after, bool desktopAsks);

} // namespace ScreenshotPermission
