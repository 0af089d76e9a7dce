#pragma once

#include "platform/HeldScreen.h"

#include <xcb/render.h>
#include <xcb/xcb.h>

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QWindow;

namespace moxilane::x11 {

// The screen held through the Composite overlay window. While a client holds it, the server
// shows nothing new of the windows below it, and a window inside it, which is never
// redirected, draws straight to the screen: where it paints nothing, the pixels of the
// moment the hold was taken stay. No 4K picture is then made, sent or stored for the overlay.
class X11ScreenHold final : public HeldScreen {
public:
    // The Render format the overlays are shaded in; none where the server lacks Composite 0.3
    // or Render, or its pixels are not 32-bit little-endian. The same for the connection's life.
    static xcb_render_pictformat_t shadeFormat(xcb_connection_t* connection);
    // Null while a compositing manager runs: the overlay window is its layer. format is
    // shadeFormat's; onRelease runs as the hold goes.
    static std::unique_ptr<X11ScreenHold> take(xcb_connection_t* connection,
                                               xcb_render_pictformat_t format,
                                               std::function<void()> onRelease);
    ~X11ScreenHold() override;
    X11ScreenHold(const X11ScreenHold&) = delete;
    X11ScreenHold& operator=(const X11ScreenHold&) = delete;

    void place(QWidget& overlay) override;
    void shade(QWidget& overlay, const QRegion& area, int alpha) override;
    void put(QWidget& overlay, QPoint at, const QImage& image) override;

private:
    X11ScreenHold(xcb_connection_t* connection, xcb_window_t root, xcb_window_t layer,
                  xcb_render_pictformat_t format, std::function<void()> onRelease);

    xcb_connection_t* m_connection;
    xcb_window_t m_root;
    xcb_render_pictformat_t m_format;
    xcb_gcontext_t m_gc;
    std::unique_ptr<QWindow> m_layer;
    std::vector<QPointer<QWidget>> m_placed;
    std::function<void()> m_onRelease;
};

}  // namespace moxilane::x11
