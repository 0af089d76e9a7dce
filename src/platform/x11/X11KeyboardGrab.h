#pragma once

#include "platform/KeyboardGrab.h"

#include <xcb/xcb.h>

#include <vector>

namespace moxilane::x11 {

// An active grab of the keyboard on the root window, on Qt's own connection: the keys
// arrive through Qt's event dispatch, and an overlay's own grab on the same connection
// takes it over without a moment in which keys go elsewhere.
class X11KeyboardGrab final : public KeyboardGrab {
public:
    X11KeyboardGrab();  // needs a running QGuiApplication on xcb

    std::unique_ptr<HeldKeyboard> take() override;

private:
    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = XCB_WINDOW_NONE;
    std::vector<xcb_keycode_t> m_escapeKeys;
};

}  // namespace moxilane::x11
