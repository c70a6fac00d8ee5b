#pragma once

#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QImage>
#include <QString>

#include <chrono>
#include <memory>

// One picture of the whole workspace through KWin's own screenshot interface
// (org.kde.KWin.ScreenShot2), without the pointer and in device pixels: KWin
// answers with the picture's layout and writes its raw bytes into a pipe, so
// no file is written and nothing is encoded. KWin grants the interface only to
// programs that a desktop entry names for it (X-KDE-DBUS-Restricted-Interfaces,
// see KWinGrant.h), and refuses every other caller at once.
class KWinScreenShot
{
public:
    // True when KWin offers the interface on `bus` and the bus can pass it a pipe.
    static bool offered(const QDBusConnection &bus);

    // Sends the request and returns at once; nullptr when no pipe can be had.
    // Needs no QCoreApplication.
    static std::unique_ptr<KWinScreenShot> request(
        const QDBusConnection &bus, std::chrono::milliseconds timeout);
    ~KWinScreenShot();
    KWinScreenShot(const KWinScreenShot &) = delete;
    KWinScreenShot &operator=(const KWinScreenShot &) = delete;

    // The picture, waiting for it as long as the timeout given; a null image
    // when KWin refused this program, is not there, failed, or took too long.
    // Call it once.
    QImage take();

private:
    KWinScreenShot(const QDBusPendingCall &call, int readEnd, std::chrono::milliseconds timeout);

    QDBusPendingCall m_call;
    int m_readEnd;
    std::chrono::milliseconds m_timeout;
};
