#include "platform/x11/X11Compositing.h"

#include "platform/x11/Xcb.h"

#include <memory>
#include <string>

namespace moxilane::x11 {

bool compositingManagerRunning() {
    int screen = 0;
    const std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> c(
        xcb_connect(nullptr, &screen), &xcb_disconnect);
    return compositingManagerRunning(c.get(), screen);
}

bool compositingManagerRunning(xcb_connection_t* c, int screen) {
    if (xcb_connection_has_error(c)) return false;
    const std::string name = "_NET_WM_CM_S" + std::to_string(screen);
    const Reply<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 1, std::uint16_t(name.size()), name.c_str()), nullptr));
    if (!atom || atom->atom == XCB_ATOM_NONE) return false;
    const Reply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr));
    return owner && owner->owner != XCB_WINDOW_NONE;
}

}  // namespace moxilane::x11
