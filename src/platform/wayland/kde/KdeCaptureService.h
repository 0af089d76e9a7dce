#pragma once

#include "platform/CaptureService.h"
#include "platform/wayland/PortalScreenshot.h"
#include "platform/wayland/kde/KWinScreenShot2.h"
#include "platform/wayland/kde/KWinWindows.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <unordered_map>

namespace moxilane::wayland {

// An output as KWin names it, with its place in the layout.
struct KdeOutput {
    LayoutDisplay layout;
    QString name;
    double scale = 1.0;
};

// Pixels and windows on Plasma from KWin itself: its screenshot interface gives whole outputs,
// areas and windows (covered parts included); a script run inside KWin lists the windows.
// Where KWin refuses the screenshots (the program was not started from its installed desktop
// entry, which carries the grant) every picture comes from the Screenshot portal instead.
// Worker thread, one call at a time, as every capture service.
class KdeCaptureService final : public CaptureService {
public:
    using OutputSource = std::function<std::expected<std::vector<KdeOutput>, CaptureError>()>;
    explicit KdeCaptureService(OutputSource outputs);

    // Learns whether KWin grants us its screenshots before the first capture needs to know.
    void prepare() override;
    [[nodiscard]] std::expected<ShareableContent, CaptureError> shareableContent() override;
    [[nodiscard]] std::expected<std::vector<DisplayInfo>, CaptureError> displays() override;
    [[nodiscard]] bool capturesCoveredWindows() const override { return !m_usePortal; }
    [[nodiscard]] std::expected<QImage, CaptureError> captureDisplay(
        const DisplayInfo& display) override;
    [[nodiscard]] std::expected<QImage, CaptureError> captureWindow(
        const WindowInfo& window) override;
    [[nodiscard]] std::expected<QImage, CaptureError> captureRegion(
        const DisplayInfo& display, const QRect& area,
        const std::vector<std::uint32_t>& excludedWindows) override;

private:
    // KWin's picture, or the reason to use the portal from now on.
    [[nodiscard]] std::expected<QImage, CaptureError> fromKWin(
        std::expected<QImage, KWinShotError> shot);
    [[nodiscard]] std::expected<KdeOutput, CaptureError> outputOf(std::uint32_t displayID);
    [[nodiscard]] std::expected<std::vector<WindowInfo>, CaptureError> listWindows();

    OutputSource m_outputs;
    KWinScreenShot2 m_kwin;
    PortalScreenshot m_portal;
    std::atomic<bool> m_usePortal{false};
    std::unordered_map<std::uint32_t, QString> m_internalIds;  // windowID -> KWin's id
};

// The screens as the worker needs them, read on the main thread now and whenever they change.
[[nodiscard]] KdeCaptureService::OutputSource kdeOutputsForWorker();

}  // namespace moxilane::wayland
