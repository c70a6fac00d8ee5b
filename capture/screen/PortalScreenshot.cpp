#include "PortalScreenshot.h"

#include "WaitForSignal.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFile>
#include <QRandomGenerator>

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");

PortalReply::Answer failed(const QString &reason)
{
    return {PortalReply::Answer::Failed, {}, reason};
}

} // namespace

PortalScreenshot::PortalScreenshot(const QDBusConnection &bus) : m_bus(bus) { }

void PortalScreenshot::start()
{
    m_sent.start();
    if (!m_bus.isConnected()) {
        answer(failed(QStringLiteral("无法连接到桌面的会话总线。")));
        return;
    }
    // Subscribe before calling: the Response may follow the call's reply at once.
    const QString token
        = QStringLiteral("vexa") + QString::number(QRandomGenerator::global()->generate(), 16);
    listenOn(PortalReply::requestPath(m_bus.baseService(), token));

    QDBusMessage call = QDBusMessage::createMethodCall(portalService, portalPath,
        QStringLiteral("org.freedesktop.portal.Screenshot"), QStringLiteral("Screenshot"));
    call << QString()
         << QVariantMap {
                {QStringLiteral("handle_token"), token}, {QStringLiteral("interactive"), false}};
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, &PortalScreenshot::onCallFinished);
}

void PortalScreenshot::listenOn(const QString &requestPath)
{
    if (!m_requestPath.isEmpty())
        m_bus.disconnect(portalService, m_requestPath, requestInterface, QStringLiteral("Response"),
            this, SLOT(onResponse(uint, QVariantMap)));
    m_requestPath = requestPath;
    m_bus.connect(portalService, m_requestPath, requestInterface, QStringLiteral("Response"), this,
        SLOT(onResponse(uint, QVariantMap)));
}

void PortalScreenshot::onCallFinished(QDBusPendingCallWatcher *call)
{
    call->deleteLater();
    const QDBusPendingReply<QDBusObjectPath> reply = *call;
    if (reply.isError()) {
        const QDBusError error = reply.error();
        answer(failed(error.type() == QDBusError::ServiceUnknown
                    || error.type() == QDBusError::UnknownInterface
                    || error.type() == QDBusError::UnknownMethod
                ? QStringLiteral("桌面没有提供截图服务。")
                : QStringLiteral("桌面截图服务出错：%1").arg(error.name())));
        return;
    }
    // Portals older than handle_token make up their own path.
    if (reply.value().path() != m_requestPath)
        listenOn(reply.value().path());
}

void PortalScreenshot::onResponse(uint response, const QVariantMap &results)
{
    const PortalReply::Answer reply = PortalReply::interpret(response, results);
    if (m_answered && reply.kind == PortalReply::Answer::Picture)
        QFile::remove(reply.filePath); // nobody waits for it any more
    if (!m_answered)
        m_response = response;
    answer(reply);
}

void PortalScreenshot::answer(const PortalReply::Answer &answer)
{
    if (m_settled)
        return;
    m_settled = true;
    emit settledNow();
    if (m_answered)
        return; // given up already
    m_answer = answer;
    m_answered = true;
    emit answered();
}

std::chrono::milliseconds PortalScreenshot::left(std::chrono::milliseconds limit) const
{
    return std::max(
        limit - std::chrono::milliseconds(m_sent.elapsed()), std::chrono::milliseconds(0));
}

PortalReply::Answer PortalScreenshot::waitForAnswer(std::chrono::milliseconds limit)
{
    if (!m_answered)
        waitForSignal(this, &PortalScreenshot::answered, left(limit));
    if (!m_answered) {
        m_answer
            = failed(QStringLiteral("桌面截图服务在 %1 秒内没有应答。")
                         .arg(std::chrono::duration_cast<std::chrono::seconds>(limit).count()));
        m_answered = true;
    }
    return m_answer;
}

void PortalScreenshot::waitUntilSettled(std::chrono::milliseconds limit)
{
    if (!m_settled)
        waitForSignal(this, &PortalScreenshot::settledNow, left(limit));
}
