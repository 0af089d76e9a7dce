#include "platform/wayland/WaylandCaptureService.h"

#include "platform/wayland/LayerSurfaces.h"
#include "platform/wayland/OurPixels.h"
#include "platform/wayland/OutputRegion.h"
#include "platform/wayland/ScreencopyCapture.h"
#include "platform/wayland/WaylandIds.h"

#include <cmath>

namespace moxilane::wayland {

namespace {

DisplayInfo displayOf(const OutputInfo& output) {
    const double scale = output.pixelsPerPoint();
    const QPoint origin(int(std::lround(output.logical.x() * scale)),
                        int(std::lround(output.logical.y() * scale)));
    return DisplayInfo{displayIdForName(output.name), QRect(origin, output.modeSize)};
}

}  // namespace

WaylandCaptureService::WaylandCaptureService(wl_display* display, WindowLister windows)
    : m_display(display), m_windows(std::move(windows)) {}

WaylandCaptureService::~WaylandCaptureService() = default;

std::expected<void, CaptureError> WaylandCaptureService::open() {
    if (!m_screencopy) m_screencopy = ScreencopyCapture::open(m_display);
    if (!m_screencopy) {
        return std::unexpected(CaptureError{CaptureError::Kind::Unsupported,
                                            QStringLiteral("the compositor offers no screencopy")});
    }
    return {};
}

void WaylandCaptureService::prepare() {
    static_cast<void>(open());
}

std::expected<std::vector<DisplayInfo>, CaptureError> WaylandCaptureService::displays() {
    if (auto opened = open(); !opened) return std::unexpected(opened.error());
    std::vector<DisplayInfo> result;
    for (const OutputInfo& output : m_screencopy->outputs())
        result.push_back(displayOf(output));
    if (result.empty())
        return std::unexpected(CaptureError{CaptureError::Kind::NoDisplay, QString()});
    return result;
}

std::expected<ShareableContent, CaptureError> WaylandCaptureService::shareableContent() {
    auto displayList = displays();
    if (!displayList) return std::unexpected(displayList.error());
    ShareableContent content{std::move(*displayList), {}};
    if (m_windows) {
        auto windows = m_windows();
        if (!windows) return std::unexpected(windows.error());
        content.windows = std::move(*windows);
    }
    return content;
}

std::expected<QImage, CaptureError> WaylandCaptureService::captureDisplay(
    const DisplayInfo& display) {
    return captureArea(display.displayID, {});
}

std::expected<QImage, CaptureError> WaylandCaptureService::captureArea(std::uint32_t displayID,
                                                                       const QRect& areaDevice) {
    if (auto opened = open(); !opened) return std::unexpected(opened.error());
    for (const OutputInfo& output : m_screencopy->outputs()) {
        if (displayIdForName(output.name) != displayID) continue;
        if (areaDevice.isNull()) return m_screencopy->capture(output.name);
        // The request is in points; the compositor answers in the output's pixels.
        const OutputRegion region = outputRegionFor(areaDevice, output.pixelsPerPoint());
        auto image = m_screencopy->capture(output.name, region.logical);
        if (!image) return image;
        const QPoint offset = region.offsetDevice;
        if (offset.isNull() && image->size() == areaDevice.size()) return image;
        return image->copy(QRect(offset, areaDevice.size()));
    }
    return std::unexpected(
        CaptureError{CaptureError::Kind::Refused, QStringLiteral("the display has gone")});
}

std::expected<QImage, CaptureError> WaylandCaptureService::captureWindow(const WindowInfo& window) {
    auto displayList = displays();
    if (!displayList) return std::unexpected(displayList.error());
    for (const DisplayInfo& display : *displayList) {
        if (!display.areaDevice.contains(window.frameDevice.center())) continue;
        const QRect area = window.frameDevice.intersected(display.areaDevice);
        return captureArea(display.displayID, area.translated(-display.areaDevice.topLeft()));
    }
    return std::unexpected(
        CaptureError{CaptureError::Kind::Refused, QStringLiteral("the window is on no display")});
}

// Our panel and frame are placed outside the area; where they must overlap it, they are
// painted flat.
std::expected<QImage, CaptureError> WaylandCaptureService::captureRegion(
    const DisplayInfo& display, const QRect& area,
    const std::vector<std::uint32_t>& excludedWindows) {
    auto image = captureArea(display.displayID, area);
    if (!image) return image;
    const QRect areaOnDesktop = area.translated(display.areaDevice.topLeft());
    paintOursFlat(*image, areaOnDesktop.topLeft(), ourSurfacesIn(areaOnDesktop, excludedWindows));
    return image;
}

}  // namespace moxilane::wayland
