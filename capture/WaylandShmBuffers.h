#pragma once

// The capture window is painted by the CPU. On Wayland, Qt would still set up its EGL buffer
// integration when the first window is created, loading the GL driver (Mesa, LLVM): tens of
// milliseconds before the frozen picture can show. This makes Qt draw through shared memory
// buffers instead, unless the user chose an integration (QT_WAYLAND_CLIENT_BUFFER_INTEGRATION).
// Call it before the QApplication exists; on other platforms it changes nothing.
void useSharedMemoryBuffersOnWayland();

// Shared memory buffers come without Qt's client-side decorations, which Qt 6.4 draws only with a
// buffer integration; GNOME draws none for Wayland clients, so a message box would have no title
// bar. When the first window is such a box instead of the capture window, this gives Qt back its
// own choice before that window is created. Call it with no other thread of ours still running
// that reads the environment (the font set-up finished first).
void useQtBuffersForDialogsOnWayland();
