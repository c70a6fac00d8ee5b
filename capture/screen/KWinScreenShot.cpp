#include "KWinScreenShot.h"

#include "KWinPicture.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>

#include <fcntl.h>
#include <unistd.h>

namespace {

const QString service = QStringLiteral("org.kde.KWin.ScreenShot2");

// A pipe of 1 MiB, the most an unprivileged process may ask for: KWin's writer
// and our reader then take turns a few times per picture instead of hundreds.
constexpr int pipeBytes = 1 << 20;

} // namespace

bool KWinScreenShot::offered(const QDBusConnection &bus)
{
    return bus.isConnected()
        && (bus.connectionCapabilities() & QDBusConnection::UnixFileDescriptorPassing)
        && bus.interface()->isServiceRegistered(service);
}

std::unique_ptr<KWinScreenShot> KWinScreenShot::request(
    const QDBusConnection &bus, std::chrono::milliseconds timeout)
{
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        return nullptr;
    fcntl(ends[0], F_SETPIPE_SZ, pipeBytes);

    QDBusMessage call = QDBusMessage::createMethodCall(service,
        QStringLiteral("/org/kde/KWin/ScreenShot2"), service, QStringLiteral("CaptureWorkspace"));
    // The message holds a copy of the write end until the call is done.
    call << QVariantMap {{QStringLiteral("native-resolution"), true},
        {QStringLiteral("include-cursor"), false}}
         << QVariant::fromValue(QDBusUnixFileDescriptor(ends[1]));
    close(ends[1]);
    return std::unique_ptr<KWinScreenShot>(
        new KWinScreenShot(bus.asyncCall(call, int(timeout.count())), ends[0], timeout));
}

KWinScreenShot::KWinScreenShot(
    const QDBusPendingCall &call, int readEnd, std::chrono::milliseconds timeout)
    : m_call(call), m_readEnd(readEnd), m_timeout(timeout)
{ }

KWinScreenShot::~KWinScreenShot()
{
    close(m_readEnd);
}

QImage KWinScreenShot::take()
{
    // KWin answers first, then writes the picture, so the answer tells how much to read.
    QDBusPendingReply<QVariantMap> reply = m_call;
    reply.waitForFinished();
    if (reply.isError())
        return {};
    const std::optional<KWinPicture::Layout> layout = KWinPicture::layoutOf(reply.value());
    return layout ? KWinPicture::readPicture(m_readEnd, *layout, m_timeout) : QImage();
}
