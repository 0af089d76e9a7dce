#pragma once

#include "platform/Capture.h"

#include <xcb/xcb.h>

#include <expected>

namespace moxilane::x11 {

// One window's own pixels through Composite: the server keeps every top-level window that
// X11RedirectKeeper redirected in a pixmap of its own, so parts covered by other windows come
// out as the window drew them.
class X11WindowCapture {
public:
    X11WindowCapture(xcb_connection_t* connection, xcb_window_t root);

    // The frame of the client window, decorations and border included, in device pixels.
    [[nodiscard]] std::expected<QImage, CaptureError> capture(xcb_window_t client);

private:
    std::expected<xcb_window_t, CaptureError> frameOf(xcb_window_t client);
    std::expected<QImage, CaptureError> readPixels(xcb_drawable_t drawable);

    xcb_connection_t* m_connection;
    xcb_window_t m_root;
    bool m_hasComposite = false;
};

}  // namespace moxilane::x11
