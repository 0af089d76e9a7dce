#include "platform/x11/X11InstanceLock.h"

#include "platform/x11/Xcb.h"

#include <QGuiApplication>

#include <cstring>

namespace moxilane::x11 {

namespace {
constexpr char kSelectionName[] = "MOXILANE_AGENT";
}

X11InstanceLock::X11InstanceLock() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11) return;
    m_connection = x11->connection();
    Reply<xcb_intern_atom_reply_t> atom{xcb_intern_atom_reply(
        m_connection, xcb_intern_atom(m_connection, 0, std::strlen(kSelectionName), kSelectionName),
        nullptr)};
    if (atom) m_selection = atom->atom;
}

X11InstanceLock::~X11InstanceLock() {
    if (m_owner == XCB_WINDOW_NONE) return;
    xcb_destroy_window(m_connection, m_owner);
    xcb_flush(m_connection);
}

bool X11InstanceLock::isHeldElsewhere() const {
    if (m_selection == XCB_ATOM_NONE) return false;
    Reply<xcb_get_selection_owner_reply_t> owner{xcb_get_selection_owner_reply(
        m_connection, xcb_get_selection_owner(m_connection, m_selection), nullptr)};
    return owner && owner->owner != XCB_WINDOW_NONE && owner->owner != m_owner;
}

void X11InstanceLock::claim() {
    if (m_selection == XCB_ATOM_NONE || m_owner != XCB_WINDOW_NONE) return;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
    m_owner = xcb_generate_id(m_connection);
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_owner, screen->root, -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_set_selection_owner(m_connection, m_owner, m_selection, XCB_CURRENT_TIME);
    xcb_flush(m_connection);
}

}  // namespace moxilane::x11
