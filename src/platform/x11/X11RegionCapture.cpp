#include "platform/x11/X11RegionCapture.h"

#include "platform/x11/Xcb.h"

#include <xcb/composite.h>

#include <QRegion>

#include <algorithm>

namespace moxilane::x11 {

namespace {

CaptureError refused(const QString& what) {
    return {CaptureError::Kind::Refused, what};
}

// A window's Composite pixmap, freed with its owner.
class WindowPixmap {
public:
    WindowPixmap(xcb_connection_t* c, xcb_window_t window)
        : m_connection(c), m_id(xcb_generate_id(c)) {
        Error error{
            xcb_request_check(c, xcb_composite_name_window_pixmap_checked(c, window, m_id))};
        m_valid = !error;
    }
    ~WindowPixmap() {
        if (m_valid) xcb_free_pixmap(m_connection, m_id);
    }
    WindowPixmap(const WindowPixmap&) = delete;
    WindowPixmap& operator=(const WindowPixmap&) = delete;
    bool valid() const { return m_valid; }
    xcb_pixmap_t id() const { return m_id; }

private:
    xcb_connection_t* m_connection;
    xcb_pixmap_t m_id;
    bool m_valid = false;
};

// Source over destination, the source premultiplied.
quint32 over(quint32 source, quint32 destination) {
    const quint32 alpha = source >> 24;
    if (alpha == 255) return source;
    const quint32 keep = 255 - alpha;
    quint32 result = 0xff000000u;
    for (int shift : {0, 8, 16}) {
        const quint32 s = (source >> shift) & 0xff;
        const quint32 d = (destination >> shift) & 0xff;
        result |= std::min<quint32>(255, s + (d * keep + 127) / 255) << shift;
    }
    return result;
}

}  // namespace

X11RegionCapture::X11RegionCapture(xcb_connection_t* connection, xcb_window_t root)
    : m_connection(connection), m_root(root) {
    if (xcb_connection_has_error(connection) || root == XCB_WINDOW_NONE ||
        !hasExtension(connection, &xcb_composite_id))
        return;
    Reply<xcb_composite_query_version_reply_t> version{xcb_composite_query_version_reply(
        connection, xcb_composite_query_version(connection, 0, 4), nullptr)};
    m_hasComposite = version && (version->major_version > 0 || version->minor_version >= 2);
}

xcb_window_t X11RegionCapture::topLevelOf(xcb_window_t window) {
    for (int level = 0; level < 16; ++level) {
        Reply<xcb_query_tree_reply_t> tree{
            xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, window), nullptr)};
        if (!tree) return XCB_WINDOW_NONE;
        if (tree->parent == m_root || tree->parent == XCB_WINDOW_NONE) return window;
        window = tree->parent;
    }
    return XCB_WINDOW_NONE;
}

std::vector<X11RegionCapture::TopLevel> X11RegionCapture::shownTopLevels(
    const std::vector<xcb_window_t>& excludedTop) {
    xcb_connection_t* c = m_connection;
    Reply<xcb_query_tree_reply_t> tree{xcb_query_tree_reply(c, xcb_query_tree(c, m_root), nullptr)};
    if (!tree) return {};
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    std::vector<std::pair<xcb_get_window_attributes_cookie_t, xcb_get_geometry_cookie_t>> cookies;
    cookies.reserve(count);
    for (int i = 0; i < count; ++i)
        cookies.emplace_back(xcb_get_window_attributes(c, children[i]),
                             xcb_get_geometry(c, children[i]));
    std::vector<TopLevel> result;  // bottom to top, as the tree lists them
    for (int i = 0; i < count; ++i) {
        Reply<xcb_get_window_attributes_reply_t> attributes{
            xcb_get_window_attributes_reply(c, cookies[i].first, nullptr)};
        Reply<xcb_get_geometry_reply_t> geometry{
            xcb_get_geometry_reply(c, cookies[i].second, nullptr)};
        if (!attributes || !geometry || attributes->map_state != XCB_MAP_STATE_VIEWABLE ||
            attributes->_class != XCB_WINDOW_CLASS_INPUT_OUTPUT)
            continue;
        const int border = geometry->border_width;
        result.push_back({children[i],
                          QRect(geometry->x, geometry->y, geometry->width + 2 * border,
                                geometry->height + 2 * border),
                          std::ranges::find(excludedTop, children[i]) != excludedTop.end()});
    }
    return result;
}

std::optional<CaptureError> X11RegionCapture::leaveOut(QImage& image, const QRect& areaRoot,
                                                       const std::vector<std::uint32_t>& excluded) {
    if (excluded.empty()) return std::nullopt;
    std::vector<xcb_window_t> excludedTop;
    for (std::uint32_t window : excluded) {
        if (const xcb_window_t top = topLevelOf(window); top != XCB_WINDOW_NONE)
            excludedTop.push_back(top);
    }
    const std::vector<TopLevel> windows = shownTopLevels(excludedTop);
    QRegion holes;
    for (const TopLevel& window : windows) {
        if (window.excluded) holes += window.rect.intersected(areaRoot);
    }
    if (holes.isEmpty()) return std::nullopt;
    if (!m_hasComposite) return refused(QStringLiteral("no Composite extension"));

    const QPoint origin = areaRoot.topLeft();
    for (const QRect& hole : holes) {
        // Nothing lies under the lowest window but the root's background.
        for (int y = hole.top(); y <= hole.bottom(); ++y) {
            auto* row = reinterpret_cast<quint32*>(image.scanLine(y - origin.y()));
            std::fill(row + (hole.left() - origin.x()), row + (hole.right() + 1 - origin.x()),
                      0xff000000u);
        }
        for (const TopLevel& window : windows) {
            const QRect part = window.rect.intersected(hole);
            if (window.excluded || part.isEmpty()) continue;
            if (auto failed = paintFrom(window, part, image, origin)) return failed;
        }
    }
    return std::nullopt;
}

std::optional<CaptureError> X11RegionCapture::paintFrom(const TopLevel& window, const QRect& part,
                                                        QImage& image, const QPoint& imageOrigin) {
    xcb_connection_t* c = m_connection;
    WindowPixmap pixmap(c, window.id);
    // A window unmapped since the listing has no pixmap and shows nothing any more.
    if (!pixmap.valid()) return std::nullopt;
    Reply<xcb_get_geometry_reply_t> geometry{
        xcb_get_geometry_reply(c, xcb_get_geometry(c, pixmap.id()), nullptr)};
    if (!geometry) return std::nullopt;
    const int depth = geometry->depth;
    if (depth != 24 && depth != 32)
        return CaptureError{CaptureError::Kind::Unsupported,
                            QStringLiteral("window of depth %1").arg(depth)};
    const QRect local = part.translated(-window.rect.topLeft())
                            .intersected(QRect(0, 0, geometry->width, geometry->height));
    if (local.isEmpty()) return std::nullopt;
    xcb_generic_error_t* rawError = nullptr;
    Reply<xcb_get_image_reply_t> pixels{
        xcb_get_image_reply(c,
                            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap.id(), local.x(),
                                          local.y(), local.width(), local.height(), ~0u),
                            &rawError)};
    Error error{rawError};
    if (!pixels) {
        if (xcb_connection_has_error(c)) return CaptureError{CaptureError::Kind::ServerGone, {}};
        return std::nullopt;  // gone meanwhile
    }
    const std::size_t stride = std::size_t(local.width()) * 4;
    if (std::size_t(xcb_get_image_data_length(pixels.get())) < stride * local.height())
        return refused(QStringLiteral("short image from the server"));
    const unsigned char* data = xcb_get_image_data(pixels.get());
    const QPoint at = local.topLeft() + window.rect.topLeft() - imageOrigin;
    for (int y = 0; y < local.height(); ++y) {
        const auto* from = reinterpret_cast<const quint32*>(data + y * stride);
        auto* to = reinterpret_cast<quint32*>(image.scanLine(at.y() + y)) + at.x();
        for (int x = 0; x < local.width(); ++x)
            to[x] = depth == 32 ? over(from[x], to[x]) : (from[x] | 0xff000000u);
    }
    return std::nullopt;
}

}  // namespace moxilane::x11
