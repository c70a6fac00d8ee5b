#pragma once

#include "Files.h"
#include "Mount.h"
#include "platform/PlatformError.h"

#include <QProcess>

#include <cerrno>
#include <functional>
#include <grp.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

// Helpers of the installer's tests against real files, run as root.
namespace testsupport {

constexpr unsigned NobodyId = 65534;

// Runs `body` in a child process as user and group nobody (the tests run as
// root). Returns its result, the number of a PlatformError it raised, or 255.
inline int runAsNobody(const std::function<int()> &body)
{
    const pid_t child = ::fork();
    if (child < 0)
        throw std::runtime_error("fork failed");
    if (child == 0) {
        int status = 255;
        if (::setgroups(0, nullptr) == 0 && ::setresgid(NobodyId, NobodyId, NobodyId) == 0
            && ::setresuid(NobodyId, NobodyId, NobodyId) == 0) {
            try {
                status = body();
            } catch (const platform::PlatformError &error) {
                status = error.number();
            } catch (...) { }
        }
        ::_exit(status);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) { }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 255;
}

// Hands a tree over to nobody.
inline void giveToNobody(const QString &path)
{
    if (QProcess::execute("chown", {"-R", "65534:65534", path}) != 0)
        throw std::runtime_error("chown failed: " + path.toStdString());
}

} // namespace testsupport
