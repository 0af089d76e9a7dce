#pragma once

#include "platform/CaptureService.h"

#include <memory>

namespace moxilane::wayland {

// Pixels on GNOME, which offers other programs no window list: the portal's pictures for
// displays, and for a window GNOME's own screenshot picker (the portal's interactive mode),
// where the user chooses it.
class GnomePortalCapture final : public CaptureService {
public:
    explicit GnomePortalCapture(std::unique_ptr<CaptureService> portal);

    std::expected<ShareableContent, CaptureError> shareableContent() override {
        return m_portal->shareableContent();
    }
    bool listsWindows() const override { return false; }
    bool capturesCoveredWindows() const override { return false; }
    bool picksWindowsItself() const override { return true; }
    std::expected<QImage, CaptureError> captureDisplay(const DisplayInfo& display) override {
        return m_portal->captureDisplay(display);
    }
    std::expected<QImage, CaptureError> captureWindow(const WindowInfo& window) override {
        return m_portal->captureWindow(window);
    }
    std::expected<std::optional<QImage>, CaptureError> pickWindow() override;

private:
    std::unique_ptr<CaptureService> m_portal;
};

}  // namespace moxilane::wayland
