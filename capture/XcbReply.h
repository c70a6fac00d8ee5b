#pragma once

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

// An xcb reply (or error), freed with it.
template<typename T> using XcbReply = std::unique_ptr<T, decltype(&std::free)>;

template<typename T> XcbReply<T> xcbReply(T *raw)
{
    return XcbReply<T>(raw, &std::free);
}

// The atom of `name`, interned when new; XCB_ATOM_NONE when the server did not answer.
inline xcb_atom_t internAtom(xcb_connection_t *connection, const char *name)
{
    const auto reply = xcbReply(xcb_intern_atom_reply(connection,
        xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}
