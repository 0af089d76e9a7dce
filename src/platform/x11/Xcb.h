#pragma once

#include <xcb/xcb.h>

#include <QString>

#include <cstdlib>
#include <memory>

namespace moxilane::x11 {

// Replies and errors from xcb are malloc'd; this frees them.
struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <class T>
using Reply = std::unique_ptr<T, FreeDeleter>;
using Error = Reply<xcb_generic_error_t>;

// A connection of our own to the X server, closed with its owner.
class Connection {
public:
    // display: nullptr for $DISPLAY.
    explicit Connection(const char* display = nullptr);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    xcb_connection_t* get() const { return m_connection; }
    bool hasError() const { return xcb_connection_has_error(m_connection) != 0; }
    xcb_screen_t* screen() const { return m_screen; }
    xcb_window_t root() const { return m_screen ? m_screen->root : xcb_window_t{XCB_WINDOW_NONE}; }

private:
    xcb_connection_t* m_connection = nullptr;
    xcb_screen_t* m_screen = nullptr;
};

// Qt's own connection, which our windows are made on; null when Qt does not run on X11.
xcb_connection_t* qtConnection();

// Whether the server lists the extension. Asking one for an extension it lacks closes the
// connection, so every extension request waits for this.
bool hasExtension(xcb_connection_t* connection, xcb_extension_t* extension);

// "BadMatch (request 73)": enough for a user to report and for us to tell what failed.
QString describe(const xcb_generic_error_t& error);

}  // namespace moxilane::x11
