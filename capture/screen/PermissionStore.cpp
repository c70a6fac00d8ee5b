#include "PermissionStore.h"

#include "WaitForSignal.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusReply>

namespace {

const QString storeService = QStringLiteral("org.freedesktop.impl.portal.PermissionStore");
const QString storePath = QStringLiteral("/org/freedesktop/impl/portal/PermissionStore");
const QString table = QStringLiteral("screenshot");
const QString entry = QStringLiteral("screenshot");
// A program outside a sandbox has no application id of its own.
const QString appId;
// The store answers from memory; starting it on demand takes a moment more.
constexpr int callLimitMs = 2000;

using Permissions = QMap<QString, QStringList>;

// A call of the store about the screenshot permission: its table and entry are the first arguments.
QDBusMessage storeCall(const QString &method)
{
    QDBusMessage call = QDBusMessage::createMethodCall(storeService, storePath,
        QStringLiteral("org.freedesktop.impl.portal.PermissionStore"), method);
    call << table << entry;
    return call;
}

// The first argument of a Lookup reply, a{sas}; no entry (an error) is nothing stored.
ScreenshotPermission::Stored storedIn(const QDBusMessage &reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return ScreenshotPermission::Stored::NotAsked;
    Permissions permissions;
    reply.arguments().first().value<QDBusArgument>() >> permissions;
    return ScreenshotPermission::fromPermissions(permissions, appId);
}

} // namespace

PermissionStore::PermissionStore(const QDBusConnection &bus) : m_bus(bus)
{
    qDBusRegisterMetaType<Permissions>();
}

void PermissionStore::lookUp()
{
    m_lookedUp = false;
    m_stored = ScreenshotPermission::Stored::NotAsked;
    auto *watcher = new QDBusPendingCallWatcher(
        m_bus.asyncCall(storeCall(QStringLiteral("Lookup")), callLimitMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, &PermissionStore::onLookUpFinished);
}

void PermissionStore::onLookUpFinished(QDBusPendingCallWatcher *call)
{
    call->deleteLater();
    m_stored = storedIn(call->reply());
    m_lookedUp = true;
    emit lookedUp();
}

ScreenshotPermission::Stored PermissionStore::waitForLookUp(std::chrono::milliseconds limit)
{
    if (!m_lookedUp)
        waitForSignal(this, &PermissionStore::lookedUp, limit);
    return m_stored;
}

ScreenshotPermission::Stored PermissionStore::lookUpNow()
{
    return storedIn(m_bus.call(storeCall(QStringLiteral("Lookup")), QDBus::Block, callLimitMs));
}

bool PermissionStore::forgetAnswer()
{
    QDBusMessage call = storeCall(QStringLiteral("DeletePermission"));
    call << appId;
    return m_bus.call(call, QDBus::Block, callLimitMs).type() == QDBusMessage::ReplyMessage;
}
