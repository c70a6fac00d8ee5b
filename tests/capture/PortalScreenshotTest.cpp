// The screenshot portal's request against a stand-in portal on a private bus
// of the test's own: an answer that comes after the program gave up still has
// its picture removed, while one in time leaves it for the program to read.
#include "PortalScreenshot.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

// Answers every Screenshot request after `delay` with a picture it writes.
class StandInPortal : public QDBusVirtualObject
{
public:
    explicit StandInPortal(const QString &folder) : m_folder(folder) { }

    std::chrono::milliseconds delay {0};
    QString picture; // the last one written

    QString introspect(const QString &) const override { return {}; }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &bus) override
    {
        const QString token
            = qdbus_cast<QVariantMap>(message.arguments().at(1)).value("handle_token").toString();
        const QString request = PortalReply::requestPath(message.service(), token);
        bus.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
        QTimer::singleShot(delay, [this, request, bus] {
            picture = m_folder + QString("/Screenshot-%1.png").arg(++m_count);
            QFile(picture).open(QIODevice::WriteOnly);
            QDBusMessage response
                = QDBusMessage::createSignal(request, "org.freedesktop.portal.Request", "Response");
            response << 0u << QVariantMap {{"uri", QUrl::fromLocalFile(picture).toString()}};
            bus.send(response);
        });
        return true;
    }

private:
    QString m_folder;
    int m_count = 0;
};

class PortalScreenshotTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_daemon.start("dbus-daemon",
            {"--session", "--nofork", "--print-address",
                "--address=unix:dir=" + m_busFolder.path()});
        ASSERT_TRUE(m_daemon.waitForReadyRead(10000)) << "no dbus-daemon";
        const QString address = QString::fromUtf8(m_daemon.readLine().trimmed());
        m_client = QDBusConnection::connectToBus(address, "client");
        m_service = QDBusConnection::connectToBus(address, "portal");
        ASSERT_TRUE(m_client.isConnected() && m_service.isConnected());
        ASSERT_TRUE(m_service.registerService("org.freedesktop.portal.Desktop"));
        ASSERT_TRUE(m_service.registerVirtualObject("/org/freedesktop/portal/desktop", &m_portal));
    }

    void TearDown() override
    {
        QDBusConnection::disconnectFromBus("client");
        QDBusConnection::disconnectFromBus("portal");
        m_daemon.terminate();
        m_daemon.waitForFinished();
    }

    QTemporaryDir m_busFolder; // the bus's socket, gone with it
    QProcess m_daemon;
    QDBusConnection m_client {QString()};
    QDBusConnection m_service {QString()};
    QTemporaryDir m_pictures;
    StandInPortal m_portal {m_pictures.path()};
};

TEST_F(PortalScreenshotTest, AnswerInTimeLeavesItsPictureToBeRead)
{
    PortalScreenshot request(m_client);
    request.start();
    const PortalReply::Answer answer = request.waitForAnswer(5s);
    ASSERT_EQ(answer.kind, PortalReply::Answer::Picture) << qPrintable(answer.reason);
    EXPECT_EQ(request.response(), 0u);
    EXPECT_TRUE(QFile::exists(answer.filePath));
    EXPECT_TRUE(request.settled());
}

TEST_F(PortalScreenshotTest, LateAnswersPictureIsRemoved)
{
    m_portal.delay = 600ms;
    PortalScreenshot request(m_client);
    request.start();
    const PortalReply::Answer answer = request.waitForAnswer(100ms);
    EXPECT_EQ(answer.kind, PortalReply::Answer::Failed);
    EXPECT_FALSE(request.response().has_value());
    EXPECT_FALSE(request.settled());

    request.waitUntilSettled(5s);
    EXPECT_TRUE(request.settled());
    ASSERT_FALSE(m_portal.picture.isEmpty()) << "the portal never answered";
    EXPECT_FALSE(QFile::exists(m_portal.picture));
    // The answer given stays the one given.
    EXPECT_EQ(request.waitForAnswer(5s).kind, PortalReply::Answer::Failed);
}

} // namespace
