#pragma once

namespace moxilane::x11 {

// Whether a compositing manager runs on $DISPLAY's default screen (it owns the selection
// _NET_WM_CM_S<screen>): only then do translucent windows show what is behind them.
bool compositingManagerRunning();

}  // namespace moxilane::x11
