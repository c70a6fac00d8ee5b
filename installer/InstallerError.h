#pragma once

#include <stdexcept>
#include <string>

// A failure the installer reports to the user: a number and a description (UTF-8) naming the
// operation and the path. Every error the installer raises derives from this, so the top-level
// guard can show both parts.
struct InstallerError : std::runtime_error
{
    InstallerError(int errorNumber, const std::string &description)
        : std::runtime_error(description), number(errorNumber)
    { }

    int number;
};

// Numbers the guard shows for failures that carry none of their own.
namespace InstallerErrorNumber {
inline constexpr int OutOfMemory = 7;
inline constexpr int Internal = 51;
} // namespace InstallerErrorNumber
