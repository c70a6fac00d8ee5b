// KWin's own screenshot: its reply's layout, the picture read from its pipe,
// the portal's answer on KWin's desktop; and the exchange with a stand-in for
// KWin on a private bus: what is asked, a picture, a refusal, no KWin at all.
#include "KWinScreenShot.h"
#include "KWinPicture.h"
#include "KdePortalAnswer.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using KWinPicture::Layout;

// A 5 by 3 picture whose every pixel differs, and the reply KWin gives for it.
QImage samplePicture()
{
    QImage picture(5, 3, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(40 * x, 80 * y, 7 * x + y));
    return picture;
}

QVariantMap replyFor(const QImage &picture)
{
    return {{"type", "raw"}, {"width", uint(picture.width())}, {"height", uint(picture.height())},
        {"stride", uint(picture.bytesPerLine())}, {"format", uint(picture.format())}};
}

// The bytes as KWin writes them: every row, padding included.
QByteArray bytesOf(const QImage &picture)
{
    return QByteArray(reinterpret_cast<const char *>(picture.constBits()), picture.sizeInBytes());
}

TEST(KWinPictureTest, LayoutOfTheReply)
{
    const QImage picture = samplePicture();
    const std::optional<Layout> layout = KWinPicture::layoutOf(replyFor(picture));
    ASSERT_TRUE(layout);
    EXPECT_EQ(QSize(layout->width, layout->height), picture.size());
    EXPECT_EQ(layout->stride, 20);
    EXPECT_EQ(layout->format, QImage::Format_ARGB32_Premultiplied);

    // Each a picture that cannot be read as said, or at all.
    struct Broken
    {
        const char *key;
        QVariant value; // invalid: the key is left out
        const char *why;
    };
    const Broken broken[] = {
        {"type", "png", "not raw pixels"},
        {"width", QVariant(), "no width"},
        {"width", 5, "a signed width is not what KWin sends"},
        {"height", 0u, "no rows"},
        {"stride", 16u, "rows shorter than their pixels"},
        {"stride", 22u, "rows not on 32 bits"},
        {"format", uint(QImage::Format_Invalid), "no format"},
        {"format", uint(QImage::Format_Indexed8), "its colour table never comes"},
        {"format", uint(QImage::NImageFormats), "no format of Qt's"},
        {"stride", 1u << 30, "three rows beyond the largest picture"},
    };
    for (const auto &[key, value, why] : broken) {
        QVariantMap reply = replyFor(picture);
        if (value.isValid())
            reply[key] = value;
        else
            reply.remove(key);
        EXPECT_FALSE(KWinPicture::layoutOf(reply)) << why;
    }
}

// Runs `write` on the write end of a fresh pipe in a thread of its own while
// the picture of `layout` is read from the read end.
QImage readThrough(const Layout &layout, const std::function<void(int)> &write,
    std::chrono::milliseconds silence = 2s)
{
    int ends[2];
    if (pipe(ends) != 0)
        return {};
    std::jthread writer([&] {
        write(ends[1]);
        close(ends[1]);
    });
    const QImage picture = KWinPicture::readPicture(ends[0], layout, silence);
    close(ends[0]);
    return picture;
}

TEST(KWinPictureTest, ReadsThePictureWholeAndNothingLess)
{
    // A stride with padding beyond the row's pixels, written a few bytes at a time.
    const QImage sample = samplePicture().convertToFormat(QImage::Format_RGB32);
    const Layout layout {5, 3, 24, QImage::Format_RGB32};
    QByteArray bytes(layout.bytes(), '\x55');
    for (int y = 0; y < 3; ++y)
        memcpy(bytes.data() + 24 * y, sample.constScanLine(y), 20);
    const QImage read = readThrough(layout, [&](int fd) {
        for (qsizetype at = 0; at < bytes.size(); at += 7) {
            EXPECT_GT(write(fd, bytes.constData() + at,
                          size_t(std::min<qsizetype>(7, bytes.size() - at))),
                0);
            std::this_thread::sleep_for(1ms);
        }
    });
    EXPECT_EQ(read, sample);
    EXPECT_EQ(read.bytesPerLine(), 24);

    // The pipe ends a byte early; it stays silent.
    EXPECT_TRUE(readThrough(layout, [&](int fd) {
        EXPECT_EQ(write(fd, bytes.constData(), size_t(bytes.size() - 1)), bytes.size() - 1);
    }).isNull());
    int keptOpen = -1;
    EXPECT_TRUE(readThrough(
        layout, [&](int fd) { keptOpen = dup(fd); }, 50ms)
                    .isNull());
    close(keptOpen);
}

TEST(KdePortalAnswerTest, ACancelNobodyWasAskedForIsAFailure)
{
    const QTemporaryDir home;
    const QString pictures = home.filePath("Pictures");
    const PortalReply::Answer cancelled {PortalReply::Answer::Declined, {}, {}};

    const PortalReply::Answer missing = kdePortalAnswer(cancelled, pictures);
    EXPECT_EQ(missing.kind, PortalReply::Answer::Failed);
    EXPECT_TRUE(missing.reason.contains(pictures)) << missing.reason.toStdString();
    ASSERT_TRUE(QDir().mkdir(pictures));
    const PortalReply::Answer other = kdePortalAnswer(cancelled, pictures);
    EXPECT_EQ(other.kind, PortalReply::Answer::Failed);
    EXPECT_FALSE(other.reason.isEmpty());

    for (const PortalReply::Answer &answer :
        {PortalReply::Answer {PortalReply::Answer::Picture, "/tmp/a.png", {}},
            PortalReply::Answer {PortalReply::Answer::Failed, {}, "why"}}) {
        const PortalReply::Answer kept = kdePortalAnswer(answer, pictures);
        EXPECT_EQ(kept.kind, answer.kind);
        EXPECT_EQ(kept.filePath, answer.filePath);
        EXPECT_EQ(kept.reason, answer.reason);
    }
}

// KWin's screenshot interface as a test needs it: it grants or refuses, notes
// the options it was asked with, and writes samplePicture() into the pipe
// after its reply, as KWin does. It lives in a thread of its own, so that it
// answers while the test's thread waits.
class StandInKWin : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.KWin.ScreenShot2")
public:
    bool grants = true;
    QVariantMap askedWith;

public slots:
    QVariantMap CaptureWorkspace(const QVariantMap &options, const QDBusUnixFileDescriptor &pipe)
    {
        askedWith = options;
        if (!grants) {
            sendErrorReply("org.kde.KWin.ScreenShot2.Error.NoAuthorized", "not granted");
            return {};
        }
        const QImage picture = samplePicture();
        connection().send(message().createReply(QVariant(replyFor(picture))));
        setDelayedReply(true);
        const QByteArray bytes = bytesOf(picture);
        EXPECT_EQ(
            write(pipe.fileDescriptor(), bytes.constData(), size_t(bytes.size())), bytes.size());
        return {};
    }
};

class KWinScreenShotTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
        ASSERT_TRUE(m_daemon.waitForReadyRead(10000));
        const QString address = QString::fromUtf8(m_daemon.readLine().trimmed());
        m_client = QDBusConnection::connectToBus(address, "client");
        m_service = QDBusConnection::connectToBus(address, "service");
        ASSERT_TRUE(m_client.isConnected() && m_service.isConnected());
        m_kwin.moveToThread(&m_thread);
        m_thread.start();
    }
    void TearDown() override
    {
        m_thread.quit();
        m_thread.wait();
        QDBusConnection::disconnectFromBus("client");
        QDBusConnection::disconnectFromBus("service");
        m_daemon.kill();
        m_daemon.waitForFinished();
    }

    void offerKWin()
    {
        ASSERT_TRUE(m_service.registerObject(
            "/org/kde/KWin/ScreenShot2", &m_kwin, QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(m_service.registerService("org.kde.KWin.ScreenShot2"));
    }

    QProcess m_daemon;
    QThread m_thread;
    StandInKWin m_kwin;
    QDBusConnection m_client {QString()};
    QDBusConnection m_service {QString()};
};

TEST_F(KWinScreenShotTest, PictureWithoutThePointerInDevicePixels)
{
    offerKWin();
    const auto shot = KWinScreenShot::request(m_client, 5s);
    ASSERT_TRUE(shot);
    EXPECT_EQ(shot->take(), samplePicture());
    EXPECT_EQ(
        m_kwin.askedWith, (QVariantMap {{"include-cursor", false}, {"native-resolution", true}}));
}

TEST_F(KWinScreenShotTest, RefusalAndNoKWinGiveNoPicture)
{
    // Another desktop: nothing is asked.
    EXPECT_FALSE(KWinScreenShot::request(m_client, 5s));
    EXPECT_TRUE(m_kwin.askedWith.isEmpty());

    offerKWin();
    m_kwin.grants = false;
    const auto shot = KWinScreenShot::request(m_client, 5s);
    ASSERT_TRUE(shot);
    EXPECT_TRUE(shot->take().isNull());
    EXPECT_EQ(shot->failure(), "org.kde.KWin.ScreenShot2.Error.NoAuthorized");
}

} // namespace

#include "KWinScreenShotTest.moc"
