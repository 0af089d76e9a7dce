#include "platform/x11/X11WindowList.h"

#include "platform/x11/Xcb.h"

#include <QList>

#include <algorithm>
#include <array>
#include <cstring>
#include <span>

namespace moxilane::x11 {

namespace {

using PropertyReply = Reply<xcb_get_property_reply_t>;

std::span<const xcb_atom_t> atomsIn(const PropertyReply& reply) {
    if (!reply || reply->format != 32) return {};
    return {static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get())),
            std::size_t(xcb_get_property_value_length(reply.get()) / 4)};
}

QByteArray bytesIn(const PropertyReply& reply) {
    if (!reply || reply->format != 8) return {};
    return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}

bool contains(std::span<const xcb_atom_t> atoms, xcb_atom_t atom) {
    return std::find(atoms.begin(), atoms.end(), atom) != atoms.end();
}

xcb_get_property_cookie_t property(xcb_connection_t* c, xcb_window_t window, xcb_atom_t name,
                                   xcb_atom_t type, std::uint32_t longs = 1024) {
    return xcb_get_property(c, 0, window, name, type, 0, longs);
}

PropertyReply reply(xcb_connection_t* c, xcb_get_property_cookie_t cookie) {
    return PropertyReply{xcb_get_property_reply(c, cookie, nullptr)};
}

}  // namespace

struct X11WindowList::Properties {
    PropertyReply netName, name, wmClass, pid, types, states;
};

X11WindowList::X11WindowList(xcb_connection_t* connection, xcb_window_t root)
    : m_connection(connection), m_root(root) {}

void X11WindowList::internAtoms() {
    static constexpr std::array names = {"_NET_CLIENT_LIST_STACKING",
                                         "_NET_WM_NAME",
                                         "UTF8_STRING",
                                         "_NET_WM_PID",
                                         "_NET_WM_WINDOW_TYPE",
                                         "_NET_WM_STATE",
                                         "_NET_WM_STATE_HIDDEN",
                                         "_NET_WM_STATE_ABOVE",
                                         "_NET_WM_WINDOW_TYPE_DESKTOP",
                                         "_NET_WM_WINDOW_TYPE_DOCK",
                                         "_NET_WM_WINDOW_TYPE_NOTIFICATION",
                                         "_NET_WM_WINDOW_TYPE_DROPDOWN_MENU",
                                         "_NET_WM_WINDOW_TYPE_POPUP_MENU",
                                         "_NET_WM_WINDOW_TYPE_TOOLTIP",
                                         "_NET_WM_WINDOW_TYPE_COMBO",
                                         "_NET_WM_WINDOW_TYPE_DND"};
    static_assert(names.size() == AtomCount);
    std::array<xcb_intern_atom_cookie_t, names.size()> cookies{};
    for (std::size_t i = 0; i < names.size(); ++i)
        cookies[i] = xcb_intern_atom(m_connection, 0, std::strlen(names[i]), names[i]);
    m_hasAtoms = true;
    for (std::size_t i = 0; i < names.size(); ++i) {
        Reply<xcb_intern_atom_reply_t> atom{
            xcb_intern_atom_reply(m_connection, cookies[i], nullptr)};
        m_atoms[i] = atom ? atom->atom : xcb_atom_t(XCB_ATOM_NONE);
        m_hasAtoms = m_hasAtoms && atom;
    }
}

std::vector<xcb_window_t> X11WindowList::stackingBottomToTop() {
    const PropertyReply stacking = reply(
        m_connection,
        property(m_connection, m_root, m_atoms[ClientListStacking], XCB_ATOM_WINDOW, 1 << 16));
    if (stacking && stacking->format == 32) {
        const auto* ids = static_cast<const xcb_window_t*>(xcb_get_property_value(stacking.get()));
        return {ids, ids + xcb_get_property_value_length(stacking.get()) / 4};
    }
    // No window manager: the root's children, bottom to top, that are shown and not
    // override-redirect (menus, tool tips and our own overlays are).
    Reply<xcb_query_tree_reply_t> tree{
        xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, m_root), nullptr)};
    if (!tree) return {};
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    std::vector<xcb_get_window_attributes_cookie_t> cookies;
    for (int i = 0; i < count; ++i)
        cookies.push_back(xcb_get_window_attributes(m_connection, children[i]));
    std::vector<xcb_window_t> result;
    for (int i = 0; i < count; ++i) {
        Reply<xcb_get_window_attributes_reply_t> attributes{
            xcb_get_window_attributes_reply(m_connection, cookies[i], nullptr)};
        if (attributes && !attributes->override_redirect &&
            attributes->map_state == XCB_MAP_STATE_VIEWABLE)
            result.push_back(children[i]);
    }
    return result;
}

// The frame of a client is its ancestor that is a child of the root; all clients climb
// together, one round trip per level (openbox: two).
std::vector<xcb_window_t> X11WindowList::framesOf(const std::vector<xcb_window_t>& clients) {
    std::vector<xcb_window_t> frames = clients;
    std::vector<bool> settled(clients.size(), false);
    for (int level = 0; level < 8; ++level) {
        std::vector<xcb_query_tree_cookie_t> cookies(frames.size());
        for (std::size_t i = 0; i < frames.size(); ++i) {
            if (!settled[i]) cookies[i] = xcb_query_tree(m_connection, frames[i]);
        }
        bool climbing = false;
        for (std::size_t i = 0; i < frames.size(); ++i) {
            if (settled[i]) continue;
            Reply<xcb_query_tree_reply_t> tree{
                xcb_query_tree_reply(m_connection, cookies[i], nullptr)};
            if (!tree) {
                frames[i] = XCB_WINDOW_NONE;  // gone
                settled[i] = true;
            } else if (tree->parent == m_root || tree->parent == XCB_WINDOW_NONE) {
                settled[i] = true;
            } else {
                frames[i] = tree->parent;
                climbing = true;
            }
        }
        if (!climbing) break;
    }
    return frames;
}

int X11WindowList::layerOf(const Properties& properties) const {
    const auto types = atomsIn(properties.types);
    const auto states = atomsIn(properties.states);
    if (contains(types, m_atoms[TypeDesktop])) return windowLayers::desktop;
    if (contains(types, m_atoms[TypeDock])) return windowLayers::dock;
    if (contains(types, m_atoms[TypeNotification])) return windowLayers::notification;
    for (Atom popUp : {TypeDropdownMenu, TypePopupMenu, TypeTooltip, TypeCombo, TypeDnd}) {
        if (contains(types, m_atoms[popUp])) return windowLayers::popUp;
    }
    return contains(states, m_atoms[StateAbove]) ? windowLayers::floating : windowLayers::normal;
}

std::vector<WindowInfo> X11WindowList::windows() {
    if (!m_hasAtoms) internAtoms();
    if (!m_hasAtoms) return {};
    std::vector<xcb_window_t> clients = stackingBottomToTop();
    std::reverse(clients.begin(), clients.end());  // front to back
    const std::vector<xcb_window_t> frames = framesOf(clients);

    xcb_connection_t* c = m_connection;
    struct Pending {
        xcb_get_geometry_cookie_t geometry;
        xcb_get_window_attributes_cookie_t attributes;
        std::array<xcb_get_property_cookie_t, 6> properties;
    };
    std::vector<Pending> pending(clients.size());
    for (std::size_t i = 0; i < clients.size(); ++i) {
        if (frames[i] == XCB_WINDOW_NONE) continue;
        const xcb_window_t w = clients[i];
        pending[i] = {xcb_get_geometry(c, frames[i]),
                      xcb_get_window_attributes(c, frames[i]),
                      {property(c, w, m_atoms[WmName], m_atoms[Utf8String]),
                       property(c, w, XCB_ATOM_WM_NAME, XCB_ATOM_ANY),
                       property(c, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING),
                       property(c, w, m_atoms[WmPid], XCB_ATOM_CARDINAL),
                       property(c, w, m_atoms[WmWindowType], XCB_ATOM_ATOM),
                       property(c, w, m_atoms[WmState], XCB_ATOM_ATOM)}};
    }

    std::vector<WindowInfo> result;
    for (std::size_t i = 0; i < clients.size(); ++i) {
        if (frames[i] == XCB_WINDOW_NONE) continue;
        const Pending& p = pending[i];
        Reply<xcb_get_geometry_reply_t> geometry{xcb_get_geometry_reply(c, p.geometry, nullptr)};
        Reply<xcb_get_window_attributes_reply_t> attributes{
            xcb_get_window_attributes_reply(c, p.attributes, nullptr)};
        Properties props{reply(c, p.properties[0]), reply(c, p.properties[1]),
                         reply(c, p.properties[2]), reply(c, p.properties[3]),
                         reply(c, p.properties[4]), reply(c, p.properties[5])};
        if (!geometry || !attributes) continue;

        WindowInfo window;
        window.windowID = clients[i];
        const int border = geometry->border_width;
        window.frameDevice = QRect(geometry->x, geometry->y, geometry->width + 2 * border,
                                   geometry->height + 2 * border);
        const QByteArray netName = bytesIn(props.netName);
        const QByteArray name = bytesIn(props.name);
        if (!netName.isEmpty()) {
            window.title = QString::fromUtf8(netName);
        } else if (props.name) {
            window.title = props.name->type == XCB_ATOM_STRING ? QString::fromLatin1(name)
                                                               : QString::fromUtf8(name);
        }
        window.windowLayer = layerOf(props);
        window.isOnScreen = attributes->map_state == XCB_MAP_STATE_VIEWABLE &&
                            !contains(atomsIn(props.states), m_atoms[StateHidden]);

        // WM_CLASS is "instance\0Class\0"; the class names the program.
        const QList<QByteArray> classParts = bytesIn(props.wmClass).split('\0');
        const QByteArray className =
            classParts.size() > 1 && !classParts[1].isEmpty() ? classParts[1] : classParts.value(0);
        const bool hasPid = props.pid && props.pid->format == 32 &&
                            xcb_get_property_value_length(props.pid.get()) >= 4;
        if (hasPid || !className.isEmpty()) {
            OwningApplication application;
            application.applicationName = QString::fromUtf8(className);
            if (hasPid)
                application.processID =
                    *static_cast<const std::uint32_t*>(xcb_get_property_value(props.pid.get()));
            window.owningApplication = application;
        }
        result.push_back(std::move(window));
    }
    return result;
}

}  // namespace moxilane::x11
