#pragma once

#include <functional>

// How one capture run ended, as the capture window reports it to the process
// runner, which ends vexacaptScreen with exitStatus.
struct CaptureOutcome
{
    // The program's exit status.
    enum Status : int {
        FileWritten = 0,
        UserQuit = 1,
        // The capture went through but doduvora.jpg was not written: the
        // clipboard holds the picture, unless the selection held no screen
        // pixels at all (then nothing was taken).
        FileNotWritten = 2,
        // No picture of the screen could be taken: nothing was shown.
        ScreenNotCaptured = 3,
    };

    int exitStatus = UserQuit;
    // True when the capture put a picture on the clipboard.
    bool clipboardSet = false;
    // Work left once the caller has the status, done out of its sight.
    std::function<void()> afterReport;
};
