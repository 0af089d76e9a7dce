#pragma once

#include <xcb/xcb.h>

namespace moxilane::x11 {

// Whether a compositing manager runs on $DISPLAY's default screen (it owns the selection
// _NET_WM_CM_S<screen>): only then do translucent windows show what is behind them.
bool compositingManagerRunning();
// The same on an open connection, for the screen with that number.
bool compositingManagerRunning(xcb_connection_t* connection, int screen);

}  // namespace moxilane::x11
