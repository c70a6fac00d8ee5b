// KWin's own screenshot: its reply's layout, the picture read from its pipe,
// the entry that names a program for it; and ScreenSource with stand-ins for
// KWin and the portal on a private bus: KWin's picture where granted, the
// portal's where not, and a message where the portal cancels unasked.
#include "KWinScreenShot.h"
#include "KWinGrant.h"
#include "KWinPicture.h"
#include "PortalReply.h"
#include "ScreenSource.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

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

TEST(KWinGrantTest, TheEntryNamedAfterTheProgramNamesItForTheScreenshot)
{
    const QTemporaryDir root;
    ASSERT_TRUE(QDir().mkpath(root.filePath("安装 目录")) && QDir().mkpath(root.filePath("apps")));
    const QString program = root.filePath("安装 目录/vexacaptScreen");
    QFile(program).open(QIODevice::WriteOnly);
    const auto named = [&](const QByteArray &entry) {
        QFile file(root.filePath("apps/vexacaptScreen.desktop"));
        file.open(QIODevice::WriteOnly);
        file.write(entry);
        file.close();
        return namedForKWinScreenShot(program, root.filePath("apps"));
    };
    const QByteArray exec = "Exec=\"" + program.toUtf8() + "\"\n";
    const QByteArray grant = "X-KDE-DBUS-Restricted-Interfaces=org.kde.KWin.ScreenShot2\n";
    EXPECT_TRUE(named("[Desktop Entry]\nType=Application\n" + exec + "NoDisplay=true\n" + grant));
    EXPECT_TRUE(named("[Desktop Entry]\nExec = \"" + program.toUtf8()
        + "\" --quiet\nX-KDE-DBUS-Restricted-Interfaces=a.b;org.kde.KWin.ScreenShot2;\n"));
    EXPECT_FALSE(named("[Desktop Entry]\n" + exec)) << "no grant";
    EXPECT_FALSE(
        named("[Desktop Entry]\nExec=sh -c 'exec \"$0\"' \"" + program.toUtf8() + "\"\n" + grant))
        << "a shell first";
    EXPECT_FALSE(named("[Desktop Entry]\nExec=" + program.toUtf8() + "\n" + grant))
        << "the path split at its blank";
    EXPECT_FALSE(named("[Desktop Action x]\n" + exec + grant)) << "not the entry's own group";
    QFile::remove(root.filePath("apps/vexacaptScreen.desktop"));
    EXPECT_FALSE(namedForKWinScreenShot(program, root.filePath("apps")));
}

// KWin's screenshot interface as a test needs it: it grants or refuses, notes
// the options it was asked with, and writes its picture into the pipe after
// its reply, as KWin does.
class StandInKWin : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.KWin.ScreenShot2")
public:
    bool grants = true;
    QImage picture;
    QVariantMap askedWith;

public slots:
    QVariantMap CaptureWorkspace(const QVariantMap &options, const QDBusUnixFileDescriptor &pipe)
    {
        askedWith = options;
        if (!grants) {
            sendErrorReply("org.kde.KWin.ScreenShot2.Error.NoAuthorized", "not granted");
            return {};
        }
        connection().send(message().createReply(QVariant(replyFor(picture))));
        setDelayedReply(true);
        const QByteArray bytes = bytesOf(picture);
        for (qsizetype at = 0; at < bytes.size();) {
            const ssize_t written
                = write(pipe.fileDescriptor(), bytes.constData() + at, size_t(bytes.size() - at));
            if (written <= 0)
                break;
            at += written;
        }
        return {};
    }
};

// The screenshot portal as a test needs it: it answers each request at once
// with `response` and, on success, the file `picture`.
class StandInPortal : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Screenshot")
public:
    uint response = 0;
    QString picture;
    int asked = 0;

public slots:
    QDBusObjectPath Screenshot(const QString &, const QVariantMap &options)
    {
        ++asked;
        const QString path = PortalReply::requestPath(
            message().service(), options.value("handle_token").toString());
        QDBusMessage answer
            = QDBusMessage::createSignal(path, "org.freedesktop.portal.Request", "Response");
        answer << response
               << (response == 0 ? QVariantMap {{"uri", QUrl::fromLocalFile(picture).toString()}}
                                 : QVariantMap());
        connection().send(answer);
        return QDBusObjectPath(path);
    }
};

// ScreenSource on a Wayland desktop whose session bus is a private one, with a
// stand-in KWin and portal living in a thread of their own, so that they
// answer while the test's thread waits. The bus becomes this process's
// session bus for good: one test only.
TEST(ScreenSourceOnKWinTest, KWinWhereAnEntryNamesTheProgramThePortalOtherwiseNeverSilent)
{
    QProcess daemon;
    daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
    ASSERT_TRUE(daemon.waitForReadyRead(10000));
    const QByteArray address = daemon.readLine().trimmed();
    const QTemporaryDir home;
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    qputenv("WAYLAND_DISPLAY", "wayland-test");
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath("data")));
    EXPECT_FALSE(KWinScreenShot::offered(QDBusConnection::sessionBus()));

    const QSize screen = QGuiApplication::primaryScreen()->size();
    StandInKWin kwin;
    kwin.picture = QImage(screen, QImage::Format_RGB32);
    kwin.picture.fill(Qt::blue);
    StandInPortal portal;
    portal.picture = home.filePath("shot.png");
    QImage portalPicture(screen, QImage::Format_RGB32);
    portalPicture.fill(Qt::red);
    QThread thread;
    kwin.moveToThread(&thread);
    portal.moveToThread(&thread);
    thread.start();
    QDBusConnection service = QDBusConnection::connectToBus(QString::fromUtf8(address), "service");
    ASSERT_TRUE(service.registerObject(
        "/org/kde/KWin/ScreenShot2", &kwin, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.registerService("org.kde.KWin.ScreenShot2"));
    ASSERT_TRUE(service.registerObject(
        "/org/freedesktop/portal/desktop", &portal, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.registerService("org.freedesktop.portal.Desktop"));
    EXPECT_TRUE(KWinScreenShot::offered(QDBusConnection::sessionBus()));

    const auto take = [&] {
        portalPicture.save(portal.picture);
        return ScreenSource().take();
    };
    const auto expectPortalPicture = [&](const ScreenPicture &taken) {
        ASSERT_EQ(taken.status, ScreenPicture::Taken) << taken.reason.toStdString();
        EXPECT_EQ(taken.picture.toImage().convertToFormat(QImage::Format_RGB32), portalPicture);
        EXPECT_FALSE(QFileInfo::exists(portal.picture)) << "the portal's file stayed";
    };

    // No entry names this program: KWin would refuse it, so it is not asked.
    expectPortalPicture(take());
    EXPECT_TRUE(kwin.askedWith.isEmpty());
    EXPECT_EQ(portal.asked, 1);

    // Named, and granted: KWin's picture, without the pointer, in device pixels.
    const QString program = QFileInfo("/proc/self/exe").symLinkTarget();
    ASSERT_TRUE(QDir().mkpath(home.filePath("data/applications")));
    QFile entry(home.filePath("data/applications/" + QFileInfo(program).fileName() + ".desktop"));
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
    entry.write("[Desktop Entry]\nExec=\"" + QFile::encodeName(program)
        + "\"\nX-KDE-DBUS-Restricted-Interfaces=org.kde.KWin.ScreenShot2\n");
    entry.close();
    const ScreenPicture granted = take();
    ASSERT_EQ(granted.status, ScreenPicture::Taken) << granted.reason.toStdString();
    EXPECT_EQ(granted.picture.toImage().convertToFormat(QImage::Format_RGB32), kwin.picture);
    EXPECT_EQ(
        kwin.askedWith, (QVariantMap {{"include-cursor", false}, {"native-resolution", true}}));
    EXPECT_EQ(portal.asked, 1);

    // Named, yet refused (KWin's cache of entries may not hold this one yet):
    // the portal after all.
    kwin.grants = false;
    expectPortalPicture(take());
    EXPECT_EQ(portal.asked, 2);

    // The portal cancels where nobody was asked: a failure saying why.
    portal.response = 1;
    const ScreenPicture cancelled = take();
    EXPECT_EQ(cancelled.status, ScreenPicture::Failed);
    EXPECT_TRUE(cancelled.reason.contains(home.filePath("Pictures")))
        << cancelled.reason.toStdString();

    thread.quit();
    thread.wait();
    QDBusConnection::disconnectFromBus("service");
    daemon.kill();
    daemon.waitForFinished();
}

} // namespace

#include "KWinScreenShotTest.moc"
