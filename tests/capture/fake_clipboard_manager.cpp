// A minimal X11 clipboard manager for tests: owns CLIPBOARD_MANAGER, and when a
// client asks it to SAVE_TARGETS on exit, fetches the clipboard's image/png,
// writes it to OUT_PNG, takes over the clipboard and confirms the save. It runs
// until it is killed, as a manager that holds the clipboard must.
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

xcb_atom_t atom(const char *name)
{
    const Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(connection,
            xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name),
            nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// Waits for the answer to our own conversion request.
Reply<xcb_selection_notify_event_t> awaitSelectionNotify()
{
    while (xcb_generic_event_t *event = xcb_wait_for_event(connection)) {
        if ((event->response_type & 0x7f) == XCB_SELECTION_NOTIFY)
            return {reinterpret_cast<xcb_selection_notify_event_t *>(event), &std::free};
        std::free(event);
    }
    return {nullptr, &std::free};
}

bool savePng(xcb_window_t window, xcb_atom_t clipboard, xcb_atom_t png, xcb_atom_t property,
    const char *outPath)
{
    xcb_convert_selection(connection, window, clipboard, png, property, XCB_CURRENT_TIME);
    xcb_flush(connection);
    const auto notify = awaitSelectionNotify();
    if (!notify || notify->property == XCB_ATOM_NONE)
        return false;
    const Reply<xcb_get_property_reply_t> data(xcb_get_property_reply(connection,
                                                   xcb_get_property(connection, 1, window, property,
                                                       XCB_GET_PROPERTY_TYPE_ANY, 0, 1u << 22),
                                                   nullptr),
        &std::free);
    if (!data || data->type != png)
        return false;
    FILE *out = std::fopen(outPath, "wb");
    if (!out)
        return false;
    const auto length = static_cast<size_t>(xcb_get_property_value_length(data.get()));
    const bool written = std::fwrite(xcb_get_property_value(data.get()), 1, length, out) == length;
    return std::fclose(out) == 0 && written;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT_PNG\n", argv[0]);
        return 64;
    }
    connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection))
        return 1;
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_window_t window = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
        XCB_WINDOW_CLASS_INPUT_ONLY, screen->root_visual, 0, nullptr);

    const xcb_atom_t manager = atom("CLIPBOARD_MANAGER");
    const xcb_atom_t saveTargets = atom("SAVE_TARGETS");
    const xcb_atom_t clipboard = atom("CLIPBOARD");
    const xcb_atom_t png = atom("image/png");
    const xcb_atom_t property = atom("FAKE_MANAGER_DATA");
    xcb_set_selection_owner(connection, window, manager, XCB_CURRENT_TIME);
    const Reply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(
            connection, xcb_get_selection_owner(connection, manager), nullptr),
        &std::free);
    if (!owner || owner->owner != window)
        return 1;
    std::puts("ready");
    std::fflush(stdout);

    while (xcb_generic_event_t *event = xcb_wait_for_event(connection)) {
        const Reply<xcb_generic_event_t> held(event, &std::free);
        if ((event->response_type & 0x7f) != XCB_SELECTION_REQUEST)
            continue;
        const auto *request = reinterpret_cast<xcb_selection_request_event_t *>(event);
        const bool saved
            = request->target == saveTargets && savePng(window, clipboard, png, property, argv[1]);

        // Like a real manager, take over the clipboard once its content is safe.
        if (saved)
            xcb_set_selection_owner(connection, window, clipboard, XCB_CURRENT_TIME);

        xcb_selection_notify_event_t reply = {};
        reply.response_type = XCB_SELECTION_NOTIFY;
        reply.time = request->time;
        reply.requestor = request->requestor;
        reply.selection = request->selection;
        reply.target = request->target;
        reply.property = saved ? request->property : xcb_atom_t(XCB_ATOM_NONE);
        xcb_send_event(connection, 0, request->requestor, XCB_EVENT_MASK_NO_EVENT,
            reinterpret_cast<const char *>(&reply));
        xcb_flush(connection);
    }
    xcb_disconnect(connection);
    return 0;
}
