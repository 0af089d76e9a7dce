#pragma once

#include <xcb/xcb.h>

namespace moxilane::x11 {

// One agent per display: two would fight over the global keys and the second would
// silently lose them all. The running agent owns the selection MOXILANE_AGENT; it goes
// when the agent exits, however it exits.
class X11InstanceLock {
public:
    X11InstanceLock();  // on Qt's connection; needs a running QGuiApplication on xcb
    ~X11InstanceLock();
    X11InstanceLock(const X11InstanceLock&) = delete;
    X11InstanceLock& operator=(const X11InstanceLock&) = delete;

    bool isHeldElsewhere() const;
    // Called once the agent is ready: its keys are grabbed and its menu is in place.
    void claim();

private:
    xcb_connection_t* m_connection = nullptr;
    xcb_atom_t m_selection = XCB_ATOM_NONE;
    xcb_window_t m_owner = XCB_WINDOW_NONE;
};

}  // namespace moxilane::x11
