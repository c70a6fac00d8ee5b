// A pointer for a headless wlroots compositor, whose seat has none: reads
// commands on standard input, one a line, and answers each with "ok" once the
// compositor has processed it:
//   move X Y     the pointer to (X, Y) on an output of WIDTH x HEIGHT
//   press        the left button down
//   release      the left button up
// Usage: virtual_pointer WIDTH HEIGHT
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

zwlr_virtual_pointer_manager_v1 *manager = nullptr;

void global(void *, wl_registry *registry, uint32_t name, const char *interface, uint32_t)
{
    if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        manager = static_cast<zwlr_virtual_pointer_manager_v1 *>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
}

void globalRemove(void *, wl_registry *, uint32_t) { }

const wl_registry_listener registryListener = {global, globalRemove};

uint32_t nowMs()
{
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: virtual_pointer WIDTH HEIGHT\n");
        return 2;
    }
    const auto width = static_cast<uint32_t>(std::atoi(argv[1]));
    const auto height = static_cast<uint32_t>(std::atoi(argv[2]));
    wl_display *display = wl_display_connect(nullptr);
    if (!display) {
        fprintf(stderr, "virtual_pointer: no Wayland display\n");
        return 1;
    }
    wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, nullptr);
    wl_display_roundtrip(display);
    if (!manager) {
        fprintf(stderr, "virtual_pointer: the compositor offers no virtual pointer\n");
        return 1;
    }
    zwlr_virtual_pointer_v1 *pointer
        = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, nullptr);

    char line[128];
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    while (std::fgets(line, sizeof line, stdin)) {
        unsigned x = 0, y = 0;
        if (std::sscanf(line, "move %u %u", &x, &y) == 2) {
            zwlr_virtual_pointer_v1_motion_absolute(pointer, nowMs(), x, y, width, height);
        } else if (std::strncmp(line, "press", 5) == 0 || std::strncmp(line, "release", 7) == 0) {
            zwlr_virtual_pointer_v1_button(pointer, nowMs(), BTN_LEFT,
                line[0] == 'p' ? WL_POINTER_BUTTON_STATE_PRESSED
                               : WL_POINTER_BUTTON_STATE_RELEASED);
        } else {
            std::fprintf(stderr, "virtual_pointer: unknown command %s", line);
            continue;
        }
        zwlr_virtual_pointer_v1_frame(pointer);
        if (wl_display_roundtrip(display) < 0)
            return 1;
        std::puts("ok");
    }
    wl_display_disconnect(display);
    return 0;
}
