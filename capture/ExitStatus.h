#pragma once

// Exit status of vexacaptScreen.
namespace ExitStatus {
constexpr int Captured = 0;
constexpr int UserQuit = 1;
constexpr int FileNotWritten = 2;
} // namespace ExitStatus
