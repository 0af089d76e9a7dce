#pragma once

#include "platform/CaptureService.h"

#include <xcb/xcb.h>

#include <array>
#include <vector>

namespace moxilane::x11 {

// The top-level windows, front to back: the window manager's stacking list, or the root's
// mapped children when no window manager runs. Each with its frame (decorations included),
// title, class, process and a layer derived from its type and state.
class X11WindowList {
public:
    X11WindowList(xcb_connection_t* connection, xcb_window_t root);

    // A window that vanishes while it is being listed is left out.
    std::vector<WindowInfo> windows();

private:
    enum Atom {
        ClientListStacking,
        WmName,
        Utf8String,
        WmPid,
        WmWindowType,
        WmState,
        StateHidden,
        StateAbove,
        TypeDesktop,
        TypeDock,
        TypeNotification,
        TypeDropdownMenu,
        TypePopupMenu,
        TypeTooltip,
        TypeCombo,
        TypeDnd,
        AtomCount
    };
    struct Properties;
    void internAtoms();
    std::vector<xcb_window_t> stackingBottomToTop();
    std::vector<xcb_window_t> framesOf(const std::vector<xcb_window_t>& clients);
    int layerOf(const Properties& properties) const;

    xcb_connection_t* m_connection;
    xcb_window_t m_root;
    bool m_hasAtoms = false;
    std::array<xcb_atom_t, AtomCount> m_atoms{};
};

}  // namespace moxilane::x11
