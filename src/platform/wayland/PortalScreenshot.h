#pragma once

#include "platform/CaptureService.h"

#include <QImage>
#include <QRect>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>

namespace moxilane::wayland {

// A display as the portal's picture needs it: where it lies in the layout in points, and
// the capture service's identifier and device area.
struct LayoutDisplay {
    DisplayInfo display;
    QRect geometryLogical;
};

// The display's part of a picture of the whole layout (the bounding box of every display's
// logical geometry, at whatever scale the compositor chose), in the display's device pixels.
[[nodiscard]] QImage cutDisplayFromLayout(const QImage& layoutPicture,
                                          const std::vector<LayoutDisplay>& layout,
                                          const LayoutDisplay& display);

// Whether a file the portal wrote is ours to remove once read: one in ~/Pictures (where
// some desktops store every portal screenshot) or the fixed file sway's backend reuses.
[[nodiscard]] bool isPortalLeftover(const QString& path, const QString& homePath);

// Pixels through the XDG Screenshot portal, the fallback where no native protocol gives
// them: one non-interactive Screenshot call per picture of the whole layout, cut per
// display. It lists no windows unless given a source of them, and cannot see covered ones.
// Runs on the capture worker: each call waits for the portal's answer in an event loop of
// its own, up to a time limit.
class PortalScreenshot final : public CaptureService {
public:
    using DisplaySource = std::function<std::expected<std::vector<LayoutDisplay>, CaptureError>()>;
    using WindowSource = std::function<std::expected<std::vector<WindowInfo>, CaptureError>()>;
    // Both are called on the worker thread.
    explicit PortalScreenshot(DisplaySource displays, WindowSource windows = {});

    [[nodiscard]] std::expected<ShareableContent, CaptureError> shareableContent() override;
    [[nodiscard]] bool listsWindows() const override { return bool(m_windows); }
    [[nodiscard]] bool capturesCoveredWindows() const override { return false; }
    [[nodiscard]] std::expected<QImage, CaptureError> captureDisplay(
        const DisplayInfo& display) override;
    // The window's frame as the screen shows it now, clipped to the display under its centre.
    [[nodiscard]] std::expected<QImage, CaptureError> captureWindow(
        const WindowInfo& window) override;

private:
    struct LayoutPicture {
        std::vector<LayoutDisplay> layout;
        QImage image;
        std::chrono::steady_clock::time_point takenAt;
    };
    // A picture taken moments ago serves the other displays of the same capture.
    [[nodiscard]] std::expected<LayoutPicture, CaptureError> layoutPicture();

    DisplaySource m_displays;
    WindowSource m_windows;
    std::optional<LayoutPicture> m_recent;
};

// One Screenshot call: the picture the portal wrote, read and, where it is a leftover,
// removed. Fails when the portal is absent, refuses, or does not answer in time.
[[nodiscard]] std::expected<QImage, CaptureError> takePortalScreenshot(
    std::chrono::milliseconds timeout, bool interactive = false);

}  // namespace moxilane::wayland
