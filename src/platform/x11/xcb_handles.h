#pragma once

#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace ks::xcb {

// Replies and errors come back as malloc'ed blocks.
struct FreeDeleter {
    void operator()(void* block) const { std::free(block); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

// The reply of a request whose error only means "no answer".
template <typename T> Reply<T> take(T* reply, xcb_generic_error_t* error) {
    std::free(error);
    return Reply<T>(reply);
}

struct ConnectionCloser {
    void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};
using Connection = std::unique_ptr<xcb_connection_t, ConnectionCloser>;

// The screen $DISPLAY names (":0.1" is screen 1), 0 when it names none.
inline int defaultScreenNumber() {
    char* host = nullptr;
    int displayNumber = 0;
    int screenNumber = 0;
    if (xcb_parse_display(nullptr, &host, &displayNumber, &screenNumber) == 0)
        screenNumber = 0;
    std::free(host);
    return screenNumber;
}

// Screen `number` of the connection's server; null when it has none.
inline xcb_screen_t* screenOf(xcb_connection_t* connection, int number) {
    auto it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; it.rem > 0; xcb_screen_next(&it), ++i)
        if (i == number)
            return it.data;
    return nullptr;
}

} // namespace ks::xcb
