#include "platform/x11/X11WindowCapture.h"

#include "platform/Diagnostics.h"
#include "platform/x11/Xcb.h"

#include <xcb/composite.h>

namespace moxilane::x11 {

namespace {

CaptureError windowGone() {
    return {CaptureError::Kind::Refused, QStringLiteral("the window is no longer there")};
}

// A name for a window's pixmap; freed with its owner.
class NamedPixmap {
public:
    NamedPixmap(xcb_connection_t* c, xcb_pixmap_t id) : m_connection(c), m_id(id) {}
    ~NamedPixmap() {
        xcb_free_pixmap(m_connection, m_id);
        xcb_flush(m_connection);
    }
    NamedPixmap(const NamedPixmap&) = delete;
    NamedPixmap& operator=(const NamedPixmap&) = delete;

private:
    xcb_connection_t* m_connection;
    xcb_pixmap_t m_id;
};

int bitsPerPixel(xcb_connection_t* c, int depth) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it)) {
        if (it.data->depth == depth) return it.data->bits_per_pixel;
    }
    return 0;
}

}  // namespace

X11WindowCapture::X11WindowCapture(xcb_connection_t* connection, xcb_window_t root)
    : m_connection(connection), m_root(root) {
    if (xcb_connection_has_error(connection) || root == XCB_WINDOW_NONE) return;
    if (!hasExtension(connection, &xcb_composite_id)) {
        printDiagnostic(
            QStringLiteral("the display has no Composite extension; a window "
                           "capture shows only the visible part of the window"));
        return;
    }
    Reply<xcb_composite_query_version_reply_t> version{xcb_composite_query_version_reply(
        connection, xcb_composite_query_version(connection, 0, 4), nullptr)};
    if (!version) return;
    m_hasComposite = version->major_version > 0 || version->minor_version >= 2;
}

std::expected<xcb_window_t, CaptureError> X11WindowCapture::frameOf(xcb_window_t client) {
    xcb_window_t window = client;
    for (int level = 0; level < 16; ++level) {
        Reply<xcb_query_tree_reply_t> tree{
            xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, window), nullptr)};
        if (!tree) return std::unexpected(windowGone());
        if (tree->parent == m_root) return window;
        window = tree->parent;
    }
    return std::unexpected(windowGone());
}

std::expected<QImage, CaptureError> X11WindowCapture::capture(xcb_window_t client) {
    const auto frame = frameOf(client);
    if (!frame) return std::unexpected(frame.error());
    if (!m_hasComposite) {
        // Without Composite only what is visible of the window can be read.
        return readPixels(*frame);
    }
    const xcb_pixmap_t pixmap = xcb_generate_id(m_connection);
    Error error{xcb_request_check(
        m_connection, xcb_composite_name_window_pixmap_checked(m_connection, *frame, pixmap))};
    // BadMatch: the window has no pixmap. Shown, it is one of ours not yet redirected (see
    // TopLevelRedirects), and what is on screen of it is what there is; not shown, it was
    // closed or minimised, and reading it fails.
    if (error) return readPixels(*frame);
    NamedPixmap named(m_connection, pixmap);
    return readPixels(pixmap);
}

std::expected<QImage, CaptureError> X11WindowCapture::readPixels(xcb_drawable_t drawable) {
    xcb_connection_t* c = m_connection;
    Reply<xcb_get_geometry_reply_t> geometry{
        xcb_get_geometry_reply(c, xcb_get_geometry(c, drawable), nullptr)};
    if (!geometry || geometry->width == 0 || geometry->height == 0)
        return std::unexpected(windowGone());
    const int depth = geometry->depth;
    if ((depth != 24 && depth != 32) || bitsPerPixel(c, depth) != 32 ||
        xcb_get_setup(c)->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST) {
        return std::unexpected(CaptureError{CaptureError::Kind::Unsupported,
                                            QStringLiteral("window of depth %1").arg(depth)});
    }
    const int width = geometry->width;
    const int height = geometry->height;
    xcb_generic_error_t* rawError = nullptr;
    Reply<xcb_get_image_reply_t> image{xcb_get_image_reply(
        c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, 0, 0, width, height, ~0u),
        &rawError)};
    Error error{rawError};
    if (!image) {
        if (xcb_connection_has_error(c))
            return std::unexpected(CaptureError{CaptureError::Kind::ServerGone, {}});
        return std::unexpected(windowGone());
    }
    const std::size_t stride = std::size_t(width) * 4;
    if (std::size_t(xcb_get_image_data_length(image.get())) < stride * height)
        return std::unexpected(windowGone());

    // Depth 32 windows carry premultiplied alpha; for depth 24 the pad byte is undefined.
    const bool hasAlpha = depth == 32;
    QImage result(width, height,
                  hasAlpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (result.isNull())
        return std::unexpected(
            CaptureError{CaptureError::Kind::Refused, QStringLiteral("out of memory")});
    const unsigned char* data = xcb_get_image_data(image.get());
    const quint32 opaque = hasAlpha ? 0u : 0xff000000u;
    for (int y = 0; y < height; ++y) {
        const auto* from = reinterpret_cast<const quint32*>(data + y * stride);
        auto* to = reinterpret_cast<quint32*>(result.scanLine(y));
        for (int x = 0; x < width; ++x)
            to[x] = from[x] | opaque;
    }
    return result;
}

}  // namespace moxilane::x11
