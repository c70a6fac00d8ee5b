#pragma once

// How one capture run ended, as the capture reports it to the process runner.
struct CaptureOutcome
{
    // The program's exit status.
    enum Status : int {
        FileWritten = 0,
        UserQuit = 1,
        FileNotWritten = 2, // the clipboard still holds the picture
    };

    int exitStatus = UserQuit;
    // True when the capture put a picture on the clipboard.
    bool clipboardSet = false;
};
