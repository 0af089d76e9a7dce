#include "platform/x11/X11CaptureService.h"

#include "platform/LargePageImage.h"

#include <xcb/randr.h>
#include <xcb/shm.h>

#include <algorithm>
#include <cstring>

namespace moxilane::x11 {

namespace {

CaptureError refused(const QString& what, const xcb_generic_error_t* error) {
    return {CaptureError::Kind::Refused,
            error ? what + QStringLiteral(": ") + describe(*error) : what};
}

// Only 32-bit pixels with 8-bit red, green and blue in the low three bytes, in the byte
// order of this machine, map straight onto QImage::Format_RGB32.
std::optional<CaptureError> checkPixelFormat(xcb_connection_t* c, const xcb_screen_t& screen) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    const bool littleEndian = setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST;
    int bitsPerPixel = 0;
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it)) {
        if (it.data->depth == screen.root_depth) bitsPerPixel = it.data->bits_per_pixel;
    }
    const xcb_visualtype_t* visual = nullptr;
    for (auto d = xcb_screen_allowed_depths_iterator(&screen); d.rem && !visual;
         xcb_depth_next(&d)) {
        for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v)) {
            if (v.data->visual_id == screen.root_visual) visual = v.data;
        }
    }
    const bool rgb = visual && visual->red_mask == 0xff0000 && visual->green_mask == 0xff00 &&
                     visual->blue_mask == 0xff;
    if (littleEndian && bitsPerPixel == 32 && rgb) return std::nullopt;
    return CaptureError{
        CaptureError::Kind::Unsupported,
        QStringLiteral("depth %1, %2 bits per pixel").arg(screen.root_depth).arg(bitsPerPixel)};
}

// The pad byte of the server's pixels is undefined; RGB32 wants it opaque. Four pixels at a
// time: a 4K screen is 8 million pixels, and the compiler leaves the plain loop scalar.
void copyOpaque(const unsigned char* source, std::size_t sourceStride, QImage& target) {
    using Four = quint32 __attribute__((vector_size(16)));
    constexpr Four opaque = {0xff000000u, 0xff000000u, 0xff000000u, 0xff000000u};
    const int width = target.width();
    for (int y = 0; y < target.height(); ++y) {
        const unsigned char* from = source + y * sourceStride;
        unsigned char* to = target.scanLine(y);
        int x = 0;
        for (; x + 4 <= width; x += 4) {
            Four pixels;
            std::memcpy(&pixels, from + x * 4, sizeof pixels);
            pixels |= opaque;
            std::memcpy(to + x * 4, &pixels, sizeof pixels);
        }
        for (; x < width; ++x) {
            quint32 pixel;
            std::memcpy(&pixel, from + x * 4, sizeof pixel);
            pixel |= 0xff000000u;
            std::memcpy(to + x * 4, &pixel, sizeof pixel);
        }
    }
}

}  // namespace

X11CaptureService::X11CaptureService() {
    xcb_connection_t* c = m_connection.get();
    if (m_connection.hasError() || !m_connection.screen()) return;
    m_formatError = checkPixelFormat(c, *m_connection.screen());

    xcb_prefetch_extension_data(c, &xcb_randr_id);
    xcb_prefetch_extension_data(c, &xcb_shm_id);
    if (hasExtension(c, &xcb_randr_id)) {
        // RandR answers GetMonitors only to clients that said they speak 1.5.
        Reply<xcb_randr_query_version_reply_t> randr{
            xcb_randr_query_version_reply(c, xcb_randr_query_version(c, 1, 5), nullptr)};
        m_hasRandrMonitors = randr && (randr->major_version > 1 ||
                                       (randr->major_version == 1 && randr->minor_version >= 5));
    }
    m_sharedMemory = SharedMemoryPath(hasExtension(c, &xcb_shm_id));
}

std::optional<CaptureError> X11CaptureService::connectionError() const {
    if (m_connection.hasError() || !m_connection.screen()) {
        return CaptureError{CaptureError::Kind::ServerGone, {}};
    }
    return std::nullopt;
}

// The root grows and shrinks with RandR changes while we run: ask for its size each time.
std::expected<QRect, CaptureError> X11CaptureService::rootArea() const {
    xcb_connection_t* c = m_connection.get();
    xcb_generic_error_t* rawError = nullptr;
    Reply<xcb_get_geometry_reply_t> geometry{
        xcb_get_geometry_reply(c, xcb_get_geometry(c, m_connection.root()), &rawError)};
    Error error{rawError};
    if (!geometry) {
        if (auto lost = connectionError()) return std::unexpected(*lost);
        return std::unexpected(refused(QStringLiteral("the screen's size"), error.get()));
    }
    return QRect(0, 0, geometry->width, geometry->height);
}

std::expected<ShareableContent, CaptureError> X11CaptureService::shareableContent() {
    auto listed = displays();
    if (!listed) return std::unexpected(listed.error());
    return ShareableContent{std::move(*listed), m_windowList.windows()};
}

std::expected<std::vector<DisplayInfo>, CaptureError> X11CaptureService::displays() {
    if (auto error = connectionError()) return std::unexpected(*error);
    const auto root = rootArea();
    if (!root) return std::unexpected(root.error());
    std::vector<DisplayInfo> displays;
    if (m_hasRandrMonitors) {
        xcb_connection_t* c = m_connection.get();
        xcb_generic_error_t* rawError = nullptr;
        Reply<xcb_randr_get_monitors_reply_t> reply{xcb_randr_get_monitors_reply(
            c, xcb_randr_get_monitors(c, m_connection.root(), /*get_active=*/1), &rawError)};
        Error error{rawError};
        if (!reply)
            return std::unexpected(refused(QStringLiteral("listing the monitors"), error.get()));
        for (auto it = xcb_randr_get_monitors_monitors_iterator(reply.get()); it.rem;
             xcb_randr_monitor_info_next(&it)) {
            const auto& monitor = *it.data;
            // A monitor may reach past the root window; only the part on it has pixels.
            const QRect area =
                QRect(monitor.x, monitor.y, monitor.width, monitor.height).intersected(*root);
            if (area.isEmpty()) continue;
            const DisplayInfo display{monitor.name, area};
            if (monitor.primary) {
                displays.insert(displays.begin(), display);
            } else {
                displays.push_back(display);
            }
        }
    }
    // Without RandR monitors the root window is the one display.
    if (displays.empty() && !m_hasRandrMonitors) displays.push_back({0, *root});
    return displays;
}

void X11CaptureService::prepare() {
    const auto listed = displays();
    if (!listed || listed->empty()) return;
    const auto largest =
        std::max_element(listed->begin(), listed->end(), [](const auto& a, const auto& b) {
            return qint64(a.areaDevice.width()) * a.areaDevice.height() <
                   qint64(b.areaDevice.width()) * b.areaDevice.height();
        });
    (void)grab(largest->areaDevice);
    keepLargePages(false);  // the picture read only to warm the segment is not kept
}

void X11CaptureService::releaseBuffers() {
    m_segment.reset();
    keepLargePages(false);
}

std::expected<QImage, CaptureError> X11CaptureService::captureDisplay(const DisplayInfo& display) {
    return grab(display.areaDevice);
}

std::expected<QImage, CaptureError> X11CaptureService::captureWindow(const WindowInfo& window) {
    if (auto error = connectionError()) return std::unexpected(*error);
    return m_windowCapture.capture(window.windowID);
}

std::expected<QImage, CaptureError> X11CaptureService::captureRegion(
    const DisplayInfo& display, const QRect& area,
    const std::vector<std::uint32_t>& excludedWindows) {
    const QRect areaRoot = area.translated(display.areaDevice.topLeft());
    if (area.isEmpty() || !display.areaDevice.contains(areaRoot))
        return std::unexpected(refused(QStringLiteral("the area is off the display"), nullptr));
    auto image = grab(areaRoot);
    if (!image) return image;
    if (auto failed = m_regionCapture.leaveOut(*image, areaRoot, excludedWindows))
        return std::unexpected(*failed);
    return image;
}

std::expected<QImage, CaptureError> X11CaptureService::grab(const QRect& areaDevice) {
    if (auto error = connectionError()) return std::unexpected(*error);
    if (m_formatError) return std::unexpected(*m_formatError);
    const auto root = rootArea();
    if (!root) return std::unexpected(root.error());
    if (areaDevice.isEmpty() || !root->contains(areaDevice)) {
        return std::unexpected(refused(QStringLiteral("the display is no longer there"), nullptr));
    }
    const std::size_t bytes = std::size_t(areaDevice.width()) * areaDevice.height() * 4;
    keepLargePages(true);  // until releaseBuffers()
    return m_sharedMemory.read(
        bytes, {[this](std::size_t size) { return makeSegment(size); },
                [&] { return grabShm(areaDevice); }, [&] { return grabPlain(areaDevice); }});
}

bool X11CaptureService::makeSegment(std::size_t size) {
    if (m_segment && m_segment->size() >= size) return true;
    m_segment.reset();
    m_segment = ShmSegment::create(m_connection.get(), size);
    return m_segment != nullptr;
}

std::expected<QImage, CaptureError> X11CaptureService::grabShm(const QRect& area) {
    xcb_connection_t* c = m_connection.get();
    xcb_generic_error_t* rawError = nullptr;
    Reply<xcb_shm_get_image_reply_t> reply{xcb_shm_get_image_reply(
        c,
        xcb_shm_get_image(c, m_connection.root(), area.x(), area.y(), area.width(), area.height(),
                          ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP, m_segment->id(), 0),
        &rawError)};
    Error error{rawError};
    if (!reply) {
        if (auto lost = connectionError()) return std::unexpected(*lost);
        return std::unexpected(refused(QStringLiteral("reading the screen"), error.get()));
    }
    // In 2 MiB pages: a fresh 4K picture in small pages costs thousands of faults.
    QImage image = largePageImage(area.size(), QImage::Format_RGB32);
    if (image.isNull()) return std::unexpected(refused(QStringLiteral("out of memory"), nullptr));
    copyOpaque(m_segment->data(), std::size_t(area.width()) * 4, image);
    return image;
}

std::expected<QImage, CaptureError> X11CaptureService::grabPlain(const QRect& area) {
    xcb_connection_t* c = m_connection.get();
    xcb_generic_error_t* rawError = nullptr;
    Reply<xcb_get_image_reply_t> reply{
        xcb_get_image_reply(c,
                            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, m_connection.root(),
                                          area.x(), area.y(), area.width(), area.height(), ~0u),
                            &rawError)};
    Error error{rawError};
    if (!reply) {
        if (auto lost = connectionError()) return std::unexpected(*lost);
        return std::unexpected(refused(QStringLiteral("reading the screen"), error.get()));
    }
    const std::size_t stride = std::size_t(area.width()) * 4;
    if (std::size_t(xcb_get_image_data_length(reply.get())) < stride * area.height()) {
        return std::unexpected(refused(QStringLiteral("short image from the server"), nullptr));
    }
    QImage image = largePageImage(area.size(), QImage::Format_RGB32);
    if (image.isNull()) return std::unexpected(refused(QStringLiteral("out of memory"), nullptr));
    copyOpaque(xcb_get_image_data(reply.get()), stride, image);
    return image;
}

}  // namespace moxilane::x11
