#pragma once

#include "platform/CaptureService.h"
#include "platform/wayland/PortalScreenshot.h"

#include <functional>
#include <memory>

namespace moxilane::wayland {

class PipeWireStream;
class ScreenCastPortal;

// Where the restore token of the screen-cast permission is kept between runs. Worker thread.
struct CastTokenStore {
    std::function<QString()> load;
    std::function<void(const QString&)> save;
};

// The screenshot portal's service with region captures from a screen-cast stream, for
// desktops whose screenshots are too slow and too few for a scrolling capture: the stream is
// opened at the first region capture (the desktop may ask the user once) and closed when the
// run of region captures ends. Each capture cuts the area from the newest frame. Worker thread.
class ScreenCastCapture final : public CaptureService {
public:
    ScreenCastCapture(std::unique_ptr<CaptureService> screenshots,
                      PortalScreenshot::DisplaySource displays, CastTokenStore tokens);
    ~ScreenCastCapture() override;

    void prepare() override { m_screenshots->prepare(); }
    std::expected<ShareableContent, CaptureError> shareableContent() override {
        return m_screenshots->shareableContent();
    }
    std::expected<std::vector<DisplayInfo>, CaptureError> displays() override {
        return m_screenshots->displays();
    }
    bool listsWindows() const override { return m_screenshots->listsWindows(); }
    bool capturesCoveredWindows() const override { return m_screenshots->capturesCoveredWindows(); }
    std::expected<QImage, CaptureError> captureDisplay(const DisplayInfo& display) override {
        return m_screenshots->captureDisplay(display);
    }
    std::expected<QImage, CaptureError> captureWindow(const WindowInfo& window) override {
        return m_screenshots->captureWindow(window);
    }
    bool picksWindowsItself() const override { return m_screenshots->picksWindowsItself(); }
    std::expected<std::optional<QImage>, CaptureError> pickWindow() override {
        return m_screenshots->pickWindow();
    }
    // Our own windows cannot be left out of the desktop's picture: where they lie in the area
    // their pixels are painted flat.
    std::expected<QImage, CaptureError> captureRegion(
        const DisplayInfo& display, const QRect& area,
        const std::vector<std::uint32_t>& excludedWindows) override;
    void regionCapturesEnded() override;

private:
    std::expected<void, CaptureError> openStream();

    std::unique_ptr<CaptureService> m_screenshots;
    PortalScreenshot::DisplaySource m_displays;
    CastTokenStore m_tokens;
    std::unique_ptr<ScreenCastPortal> m_portal;
    std::unique_ptr<PipeWireStream> m_stream;
};

}  // namespace moxilane::wayland
