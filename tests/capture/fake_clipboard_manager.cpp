// A minimal X11 clipboard manager for tests: owns CLIPBOARD_MANAGER, and when a
// client asks it to SAVE_TARGETS, fetches the clipboard's image/png into
// OUT_PNG, takes over the clipboard and confirms the save. It runs until
// killed, as a manager holding the clipboard must.
//
// Usage: fake_clipboard_manager OUT_PNG   (prints "ready" once it owns the selection)
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

xcb_connection_t *connection = nullptr;

template<typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;
template<typename T> Reply<T> reply(T *p)
{
    return {p, &std::free};
}

xcb_atom_t atom(const char *name)
{
    const auto cookie
        = xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
    const auto answer = reply(xcb_intern_atom_reply(connection, cookie, nullptr));
    return answer ? answer->atom : xcb_atom_t(XCB_ATOM_NONE);
}

bool savePng(xcb_window_t window, xcb_atom_t clipboard, xcb_atom_t png, const char *outPath)
{
    xcb_convert_selection(connection, window, clipboard, png, png, XCB_CURRENT_TIME);
    xcb_flush(connection);
    Reply<xcb_generic_event_t> event = reply(xcb_wait_for_event(connection));
    while (event && (event->response_type & 0x7f) != XCB_SELECTION_NOTIFY)
        event = reply(xcb_wait_for_event(connection));
    if (!event
        || reinterpret_cast<xcb_selection_notify_event_t *>(event.get())->property == XCB_ATOM_NONE)
        return false;
    const auto data = reply(xcb_get_property_reply(connection,
        xcb_get_property(connection, 1, window, png, XCB_GET_PROPERTY_TYPE_ANY, 0, 1u << 22),
        nullptr));
    FILE *out = data && data->type == png ? std::fopen(outPath, "wb") : nullptr;
    if (!out)
        return false;
    const auto length = static_cast<size_t>(xcb_get_property_value_length(data.get()));
    const bool written = std::fwrite(xcb_get_property_value(data.get()), 1, length, out) == length;
    return std::fclose(out) == 0 && written;
}

} // namespace

int main(int argc, char **argv)
{
    connection = xcb_connect(nullptr, nullptr);
    if (argc != 2 || xcb_connection_has_error(connection))
        return 64;
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_window_t window = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
        XCB_WINDOW_CLASS_INPUT_ONLY, screen->root_visual, 0, nullptr);

    const xcb_atom_t manager = atom("CLIPBOARD_MANAGER");
    const xcb_atom_t saveTargets = atom("SAVE_TARGETS");
    const xcb_atom_t clipboard = atom("CLIPBOARD");
    const xcb_atom_t png = atom("image/png");
    xcb_set_selection_owner(connection, window, manager, XCB_CURRENT_TIME);
    const auto owner = reply(xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, manager), nullptr));
    if (!owner || owner->owner != window)
        return 1;
    std::puts("ready");
    std::fflush(stdout);

    while (const auto event = reply(xcb_wait_for_event(connection))) {
        if ((event->response_type & 0x7f) != XCB_SELECTION_REQUEST)
            continue;
        const auto *request = reinterpret_cast<xcb_selection_request_event_t *>(event.get());
        const bool saved
            = request->target == saveTargets && savePng(window, clipboard, png, argv[1]);
        // Like a real manager, take over the clipboard once its content is safe.
        if (saved)
            xcb_set_selection_owner(connection, window, clipboard, XCB_CURRENT_TIME);
        xcb_selection_notify_event_t notify = {};
        notify.response_type = XCB_SELECTION_NOTIFY;
        notify.time = request->time;
        notify.requestor = request->requestor;
        notify.selection = request->selection;
        notify.target = request->target;
        notify.property = saved ? request->property : xcb_atom_t(XCB_ATOM_NONE);
        xcb_send_event(connection, 0, request->requestor, XCB_EVENT_MASK_NO_EVENT,
            reinterpret_cast<const char *>(&notify));
        xcb_flush(connection);
    }
    return 0;
}
