// Pointer and keyboard for a headless KWin, whose seat has neither: reads
// commands on standard input, one a line, and answers each with "ok" once KWin
// has processed it:
//   move X Y     the pointer to (X, Y) in the desktop's logical coordinates
//   press        the left button down
//   release      the left button up
//   key CODE     the key of the Linux input event code CODE pressed and released
// KWin offers its fake input interface only to programs that a desktop entry
// names for it (X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input).
#include "fake-input-client-protocol.h"

#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

org_kde_kwin_fake_input *fakeInput = nullptr;

void global(void *, wl_registry *registry, uint32_t name, const char *interface, uint32_t version)
{
    if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0)
        fakeInput = static_cast<org_kde_kwin_fake_input *>(wl_registry_bind(
            registry, name, &org_kde_kwin_fake_input_interface, std::min(version, 4u)));
}

void globalRemove(void *, wl_registry *, uint32_t) { }

const wl_registry_listener registryListener = {global, globalRemove};

constexpr uint32_t pressed = 1;
constexpr uint32_t released = 0;

} // namespace

int main()
{
    wl_display *display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "fake_input: no Wayland display\n");
        return 1;
    }
    wl_registry *registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, nullptr);
    wl_display_roundtrip(display);
    if (!fakeInput || org_kde_kwin_fake_input_get_version(fakeInput) < 4) {
        std::fprintf(stderr, "fake_input: KWin offers this program no fake input (version 4)\n");
        return 1;
    }
    org_kde_kwin_fake_input_authenticate(fakeInput, "vexa tests", "end-to-end tests");

    char line[128];
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    while (std::fgets(line, sizeof line, stdin)) {
        unsigned x = 0, y = 0, code = 0;
        if (std::sscanf(line, "move %u %u", &x, &y) == 2) {
            org_kde_kwin_fake_input_pointer_motion_absolute(
                fakeInput, wl_fixed_from_int(int(x)), wl_fixed_from_int(int(y)));
        } else if (std::strncmp(line, "press", 5) == 0 || std::strncmp(line, "release", 7) == 0) {
            org_kde_kwin_fake_input_button(
                fakeInput, BTN_LEFT, line[0] == 'p' ? pressed : released);
        } else if (std::sscanf(line, "key %u", &code) == 1) {
            org_kde_kwin_fake_input_keyboard_key(fakeInput, code, pressed);
            org_kde_kwin_fake_input_keyboard_key(fakeInput, code, released);
        } else {
            std::fprintf(stderr, "fake_input: unknown command %s", line);
            continue;
        }
        if (wl_display_roundtrip(display) < 0)
            return 1;
        std::puts("ok");
    }
    wl_display_disconnect(display);
    return 0;
}
