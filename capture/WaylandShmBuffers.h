#pragma once

// The capture window is painted by the CPU. On Wayland, Qt would still set up its EGL buffer
// integration when the first window is created, loading the GL driver (Mesa, LLVM): tens of
// milliseconds before the frozen picture can show. This makes Qt draw through shared memory
// buffers instead, unless the user chose an integration (QT_WAYLAND_CLIENT_BUFFER_INTEGRATION).
// Call it before the QApplication exists; on other platforms it changes nothing.
void useSharedMemoryBuffersOnWayland();
