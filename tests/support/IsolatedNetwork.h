#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <net/if.h>
#include <sched.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testsupport {

// Moves the calling process, and every process it starts later, into a network of its own that
// has only a loopback device, with its own view of the mounts, in which `hostsFile` stands in for
// /etc/hosts: a name it gives 127.0.0.1 reaches a server of the test, and nothing reaches the
// real network. Needs root; call it before any thread starts. Returns what went wrong, or "".
inline std::string isolateNetwork(const QString &hostsFile)
{
    if (::unshare(CLONE_NEWNET | CLONE_NEWNS) != 0)
        return std::string("unshare: ") + std::strerror(errno);
    // Private mounts: nothing mounted from here on shows outside.
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return std::string("private mounts: ") + std::strerror(errno);
    if (::mount(QFile::encodeName(hostsFile).constData(), "/etc/hosts", nullptr, MS_BIND, nullptr)
        != 0)
        return std::string("hosts: ") + std::strerror(errno);

    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return std::string("socket: ") + std::strerror(errno);
    ifreq loopback {};
    std::strncpy(loopback.ifr_name, "lo", IFNAMSIZ - 1);
    std::string error;
    if (::ioctl(fd, SIOCGIFFLAGS, &loopback) == 0) {
        loopback.ifr_flags = short(loopback.ifr_flags | IFF_UP);
        if (::ioctl(fd, SIOCSIFFLAGS, &loopback) != 0)
            error = std::string("lo: ") + std::strerror(errno);
    } else {
        error = std::string("lo: ") + std::strerror(errno);
    }
    ::close(fd);
    return error;
}

// Why the tests of this program cannot run in a network of their own; empty when they do.
inline std::string &isolationFailure()
{
    static std::string failure = "not tried";
    return failure;
}

// main() of a test program whose tests, and what they start, run in a network of their own where
// `hostNames` (blank-separated) are this machine. A test skips itself through
// SKIP_WITHOUT_ISOLATED_NETWORK when that could not be made.
inline int runTestsInIsolatedNetwork(int argc, char **argv, const char *hostNames)
{
    // Before any thread starts: unshare() moves only the calling thread.
    if (::geteuid() == 0) {
        QTemporaryDir hosts;
        QFile file(hosts.filePath("hosts"));
        if (file.open(QIODevice::WriteOnly))
            file.write(QByteArray("127.0.0.1 ") + hostNames + '\n');
        file.close();
        isolationFailure() = isolateNetwork(file.fileName());
    } else {
        isolationFailure() = "needs root";
    }
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#define SKIP_WITHOUT_ISOLATED_NETWORK()                                                            \
    if (!testsupport::isolationFailure().empty())                                                  \
    GTEST_SKIP() << "no network of its own: " << testsupport::isolationFailure()

} // namespace testsupport
