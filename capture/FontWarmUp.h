#pragma once

// Loads the system's font configuration in a thread of its own, so the first
// text the window lays out does not wait for it on the user-interface thread.
// Call it before the QApplication exists; Qt then finds the configuration
// loaded (fontconfig builds it once, safely from any thread).
void startFontWarmUp();

// Waits until the font configuration is loaded; nothing happens when it was
// never started.
void finishFontWarmUp();
