#pragma once

#include "platform/CaptureService.h"

#include <functional>
#include <memory>

struct wl_display;

namespace moxilane::wayland {

class ScreencopyCapture;

// Screen pixels on wlroots compositors through screencopy, windows through the compositor's
// own list where it gives one. Worker thread, one call at a time, as every capture service.
class WaylandCaptureService final : public CaptureService {
public:
    using WindowLister = std::function<std::expected<std::vector<WindowInfo>, CaptureError>()>;
    // windows is empty where no list of windows can be had.
    WaylandCaptureService(wl_display* display, WindowLister windows);
    ~WaylandCaptureService() override;

    void prepare() override;
    std::expected<ShareableContent, CaptureError> shareableContent() override;
    std::expected<std::vector<DisplayInfo>, CaptureError> displays() override;
    bool listsWindows() const override { return bool(m_windows); }
    // A window is only what the screen shows of it.
    bool capturesCoveredWindows() const override { return false; }
    std::expected<QImage, CaptureError> captureDisplay(const DisplayInfo& display) override;
    std::expected<QImage, CaptureError> captureWindow(const WindowInfo& window) override;
    std::expected<QImage, CaptureError> captureRegion(
        const DisplayInfo& display, const QRect& area,
        const std::vector<std::uint32_t>& excludedWindows) override;

private:
    std::expected<void, CaptureError> open();
    std::expected<QImage, CaptureError> captureArea(std::uint32_t displayID,
                                                    const QRect& areaDevice);

    wl_display* m_display;
    WindowLister m_windows;
    std::unique_ptr<ScreencopyCapture> m_screencopy;
};

}  // namespace moxilane::wayland
