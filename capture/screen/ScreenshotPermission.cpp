#include "ScreenshotPermission.h"

namespace ScreenshotPermission {

namespace {

constexpr std::chrono::seconds nobodyAsked(5);
// The portal gives its dialog the bus's default call limit of 25 s, and after
// a late Allow still has the screenshot to take.
constexpr std::chrono::seconds userMayBeAsked(35);

} // namespace

Stored fromPermissions(const QMap<QString, QStringList> &permissions, const QString &appId)
{
    const QStringList answer = permissions.value(appId);
    if (answer.isEmpty())
        return Stored::NotAsked;
    if (answer.first() == QLatin1String("yes"))
        return Stored::Granted;
    if (answer.first() == QLatin1String("no"))
        return Stored::Refused;
    return Stored::NotAsked; // "ask" or a value of a later portal: it asks again
}

bool desktopAsksFirst(QByteArrayView currentDesktop)
{
    for (const QByteArray &name : currentDesktop.toByteArray().split(':')) {
        if (name.compare("GNOME", Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

std::chrono::milliseconds answerLimit(Stored before, bool desktopAsks)
{
    return before == Stored::NotAsked && desktopAsks ? userMayBeAsked : nobodyAsked;
}

Ending whyEnded(Stored before, Stored after, bool desktopAsks)
{
    if (after == Stored::Refused)
        return Ending::Refused;
    if (before != Stored::Granted && after != Stored::Granted && desktopAsks)
        return Ending::Unanswered;
    return Ending::Failed;
}

} // namespace ScreenshotPermission
