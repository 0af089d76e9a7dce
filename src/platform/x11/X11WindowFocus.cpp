#include "platform/x11/X11WindowFocus.h"

#include "platform/x11/Xcb.h"

namespace moxilane::x11 {

X11WindowFocus::X11WindowFocus() {
    m_connection = qtConnection();
    if (!m_connection) return;
    m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    static constexpr char name[] = "_NET_ACTIVE_WINDOW";
    Reply<xcb_intern_atom_reply_t> atom{xcb_intern_atom_reply(
        m_connection, xcb_intern_atom(m_connection, 0, sizeof name - 1, name), nullptr)};
    if (atom) m_activeWindow = atom->atom;
}

std::optional<std::uint32_t> X11WindowFocus::activeWindow() {
    if (m_activeWindow == XCB_ATOM_NONE) return std::nullopt;
    Reply<xcb_get_property_reply_t> reply{xcb_get_property_reply(
        m_connection,
        xcb_get_property(m_connection, 0, m_root, m_activeWindow, XCB_ATOM_WINDOW, 0, 1), nullptr)};
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4)
        return std::nullopt;
    const auto window = *static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
    if (window == XCB_WINDOW_NONE) return std::nullopt;
    return window;
}

void X11WindowFocus::activate(std::uint32_t window) {
    if (m_activeWindow == XCB_ATOM_NONE) return;
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = m_activeWindow;
    message.data.data32[0] = 2;  // source: a pager, so the request is not taken as focus stealing
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(m_connection, 0, m_root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(m_connection);
}

}  // namespace moxilane::x11
