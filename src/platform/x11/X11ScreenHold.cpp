#include "platform/x11/X11ScreenHold.h"

#include "platform/x11/X11Compositing.h"
#include "platform/x11/Xcb.h"

#include <xcb/composite.h>

#include <QImage>
#include <QRegion>
#include <QWindow>

#include <algorithm>

namespace moxilane::x11 {

namespace {

// The Render format of the root's visual, which our opaque windows use.
xcb_render_pictformat_t rootFormat(xcb_connection_t* c, xcb_visualid_t visual) {
    Reply<xcb_render_query_pict_formats_reply_t> formats{
        xcb_render_query_pict_formats_reply(c, xcb_render_query_pict_formats(c), nullptr)};
    if (!formats) return XCB_NONE;
    for (auto s = xcb_render_query_pict_formats_screens_iterator(formats.get()); s.rem;
         xcb_render_pictscreen_next(&s)) {
        for (auto d = xcb_render_pictscreen_depths_iterator(s.data); d.rem;
             xcb_render_pictdepth_next(&d)) {
            for (auto v = xcb_render_pictdepth_visuals_iterator(d.data); v.rem;
                 xcb_render_pictvisual_next(&v)) {
                if (v.data->visual == visual) return v.data->format;
            }
        }
    }
    return XCB_NONE;
}

bool pixelsAre32BitLittleEndian(xcb_connection_t* c, int depth) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST) return false;
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it)) {
        if (it.data->depth == depth) return it.data->bits_per_pixel == 32;
    }
    return false;
}

}  // namespace

xcb_render_pictformat_t X11ScreenHold::shadeFormat(xcb_connection_t* c) {
    if (!c || xcb_connection_has_error(c)) return XCB_NONE;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (screen->root_depth != 24 || !pixelsAre32BitLittleEndian(c, 24)) return XCB_NONE;
    if (!hasExtension(c, &xcb_composite_id) || !hasExtension(c, &xcb_render_id)) return XCB_NONE;
    Reply<xcb_composite_query_version_reply_t> version{
        xcb_composite_query_version_reply(c, xcb_composite_query_version(c, 0, 4), nullptr)};
    if (!version || (version->major_version == 0 && version->minor_version < 3)) return XCB_NONE;
    return rootFormat(c, screen->root_visual);
}

std::unique_ptr<X11ScreenHold> X11ScreenHold::take(xcb_connection_t* c,
                                                   xcb_render_pictformat_t format,
                                                   std::function<void()> onRelease) {
    if (format == XCB_NONE || xcb_connection_has_error(c) || compositingManagerRunning(c, 0))
        return nullptr;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    // The reply comes once the server shows the layer: a screen read after this is what
    // the overlays will show.
    Reply<xcb_composite_get_overlay_window_reply_t> layer{xcb_composite_get_overlay_window_reply(
        c, xcb_composite_get_overlay_window(c, root), nullptr)};
    if (!layer) return nullptr;
    return std::unique_ptr<X11ScreenHold>(
        new X11ScreenHold(c, root, layer->overlay_win, format, std::move(onRelease)));
}

X11ScreenHold::X11ScreenHold(xcb_connection_t* connection, xcb_window_t root, xcb_window_t layer,
                             xcb_render_pictformat_t format, std::function<void()> onRelease)
    : m_connection(connection),
      m_root(root),
      m_format(format),
      m_gc(xcb_generate_id(connection)),
      m_layer(QWindow::fromWinId(layer)),
      m_onRelease(std::move(onRelease)) {
    xcb_create_gc(connection, m_gc, root, 0, nullptr);
}

X11ScreenHold::~X11ScreenHold() {
    // Children of the layer go with it when it is released: ours come off first.
    for (const QPointer<QWidget>& overlay : m_placed) {
        if (!overlay || !overlay->windowHandle()) continue;
        overlay->hide();
        overlay->windowHandle()->setParent(nullptr);
    }
    m_layer.reset();  // a foreign window: the server's window stays
    xcb_free_gc(m_connection, m_gc);
    xcb_composite_release_overlay_window(m_connection, m_root);
    xcb_flush(m_connection);
    if (m_onRelease) m_onRelease();
}

void X11ScreenHold::place(QWidget& overlay) {
    overlay.createWinId();
    // The layer lies at the root's origin, so global positions stay as they are.
    overlay.windowHandle()->setParent(m_layer.get());
    if (std::ranges::none_of(m_placed, [&](const auto& placed) { return placed == &overlay; }))
        m_placed.emplace_back(&overlay);
}

void X11ScreenHold::shade(QWidget& overlay, const QRegion& area, int alpha) {
    std::vector<xcb_rectangle_t> rects;
    for (const QRect& r : area) {
        rects.push_back({std::int16_t(r.x()), std::int16_t(r.y()), std::uint16_t(r.width()),
                         std::uint16_t(r.height())});
    }
    if (rects.empty()) return;
    const xcb_render_picture_t picture = xcb_generate_id(m_connection);
    xcb_render_create_picture(m_connection, picture, xcb_window_t(overlay.winId()), m_format, 0,
                              nullptr);
    const auto level = std::uint16_t(std::clamp(alpha, 0, 255) * 257);
    xcb_render_fill_rectangles(m_connection, XCB_RENDER_PICT_OP_OVER, picture, {0, 0, 0, level},
                               std::uint32_t(rects.size()), rects.data());
    xcb_render_free_picture(m_connection, picture);
    xcb_flush(m_connection);
}

void X11ScreenHold::put(QWidget& overlay, QPoint at, const QImage& image) {
    const std::size_t stride = std::size_t(image.width()) * 4;
    if (image.format() != QImage::Format_RGB32 || std::size_t(image.bytesPerLine()) != stride ||
        stride == 0)
        return;
    // Bands that fit one request; the header takes 24 bytes.
    const std::size_t maxBytes = std::size_t(xcb_get_maximum_request_length(m_connection)) * 4;
    const int rows = std::max(1, int((maxBytes - 24) / stride));
    for (int y = 0; y < image.height(); y += rows) {
        const int band = std::min(rows, image.height() - y);
        xcb_put_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, xcb_window_t(overlay.winId()), m_gc,
                      std::uint16_t(image.width()), std::uint16_t(band), std::int16_t(at.x()),
                      std::int16_t(at.y() + y), 0, 24, std::uint32_t(stride * band),
                      image.constScanLine(y));
    }
    xcb_flush(m_connection);
}

}  // namespace moxilane::x11
