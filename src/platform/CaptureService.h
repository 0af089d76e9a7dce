#pragma once

#include "platform/Capture.h"

#include <QRect>
#include <QRectF>
#include <QString>

#include <climits>
#include <cstdint>
#include <expected>
#include <optional>
#include <vector>

namespace moxilane {

// A display as the capture service sees it: its identifier and where its pixels lie
// in the server's root window.
struct DisplayInfo {
    std::uint32_t displayID = 0;
    QRect areaDevice;
};

// The program a window belongs to, as far as the window tells.
struct OwningApplication {
    std::int64_t processID = 0;  // 0 when the window does not say
    QString applicationName;
};

// The layers windows are ranked by: ordinary windows 0, "always on top" 3, docks and panels
// 20, notifications 25, menus and tool tips 101; the desktop far below everything.
namespace windowLayers {
inline constexpr int desktop = INT_MIN + 25;
inline constexpr int normal = 0;
inline constexpr int floating = 3;
inline constexpr int dock = 20;
inline constexpr int notification = 25;
inline constexpr int popUp = 101;
}  // namespace windowLayers

// A top-level window as the capture service sees it.
struct WindowInfo {
    std::uint32_t windowID = 0;  // the client window
    QRect frameDevice;           // its frame, decorations included, in root device pixels
    // The frame in global points, y down, as ScreenLayout lays them out. The service
    // knows only device pixels: the window picker fills this in from the screens' scales.
    QRectF frame;
    std::optional<QString> title;
    int windowLayer = 0;  // 0 for ordinary windows; docks, desktops and menus lie outside 0-19
    bool isOnScreen = false;
    std::optional<OwningApplication> owningApplication;
};

// What can be captured right now, in the service's order: the primary display first,
// windows front to back.
struct ShareableContent {
    std::vector<DisplayInfo> displays;
    std::vector<WindowInfo> windows;
};

// Takes pixels from the display server. Called off the main thread, one call at a time.
class CaptureService {
public:
    virtual ~CaptureService() = default;
    // Readies what the first capture would otherwise set up while the user waits.
    virtual void prepare() {}
    // Lets go of what prepare() and the captures keep for speed; the next capture sets it up
    // again, more slowly.
    virtual void releaseBuffers() {}
    [[nodiscard]] virtual std::expected<ShareableContent, CaptureError> shareableContent() = 0;
    // The displays alone, for captures that need no window list; a service that can list
    // them more cheaply overrides this.
    [[nodiscard]] virtual std::expected<std::vector<DisplayInfo>, CaptureError> displays() {
        auto content = shareableContent();
        if (!content) return std::unexpected(content.error());
        return std::move(content->displays);
    }
    // Whether shareableContent() lists the windows; where it cannot, a window is picked as an
    // area of the frozen screen.
    [[nodiscard]] virtual bool listsWindows() const { return true; }
    // Whether the desktop's own picker chooses the window, where no program may list them:
    // pickWindow() then shows it and waits for the user.
    [[nodiscard]] virtual bool picksWindowsItself() const { return false; }
    // The picked window's picture in device pixels; nothing when the user cancelled.
    [[nodiscard]] virtual std::expected<std::optional<QImage>, CaptureError> pickWindow() {
        return std::unexpected(
            CaptureError{CaptureError::Kind::Unsupported, QStringLiteral("no window picker")});
    }
    // Whether captureWindow() gives a window's own pixels, covered parts included; where it
    // cannot, the window is cut from the frozen screen the picker showed.
    [[nodiscard]] virtual bool capturesCoveredWindows() const { return true; }
    // The whole display in device pixels; never shows the pointer.
    [[nodiscard]] virtual std::expected<QImage, CaptureError> captureDisplay(
        const DisplayInfo& display) = 0;
    // The window alone, decorations included, parts covered by other windows too; in
    // device pixels. Fails when the window has gone.
    [[nodiscard]] virtual std::expected<QImage, CaptureError> captureWindow(
        const WindowInfo& window) = 0;
    // The area (device pixels, relative to the display's top left) as the display shows it,
    // but with the given windows left out: what lies under them shows in their place. Never
    // shows the pointer. A service that cannot leave windows out refuses.
    [[nodiscard]] virtual std::expected<QImage, CaptureError> captureRegion(
        const DisplayInfo& display, const QRect& area,
        const std::vector<std::uint32_t>& excludedWindows) {
        (void)display, (void)area, (void)excludedWindows;
        return std::unexpected(
            CaptureError{CaptureError::Kind::Unsupported, QStringLiteral("no region capture")});
    }
    // A run of region captures (a scrolling capture) has ended: what was kept open for its
    // frames may close.
    virtual void regionCapturesEnded() {}
};

}  // namespace moxilane
