#pragma once

#include "platform/WindowFocus.h"

#include <xcb/xcb.h>

namespace moxilane::x11 {

// The window manager's active window (_NET_ACTIVE_WINDOW), on Qt's connection.
class X11WindowFocus final : public WindowFocus {
public:
    X11WindowFocus();  // needs a running QGuiApplication on xcb

    std::optional<std::uint32_t> activeWindow() override;
    void activate(std::uint32_t window) override;

private:
    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = XCB_WINDOW_NONE;
    xcb_atom_t m_activeWindow = XCB_ATOM_NONE;
};

}  // namespace moxilane::x11
