#pragma once

#include "flows/FlowUi.h"
#include "platform/CaptureService.h"
#include "platform/Scheduler.h"
#include "platform/Screens.h"
#include "platform/Services.h"
#include "scroll/ScrollStitcher.h"

#include <QLocale>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace moxilane {

// The heads-up panel of a scrolling capture: a title, a status line, a warning line, Cancel
// and Done. Shown without taking the focus from the program being scrolled.
class ScrollHud {
public:
    struct Actions {
        std::function<void()> done;    // Done, or Return once the user clicked into the panel
        std::function<void()> cancel;  // Cancel, or Esc
        std::function<void()> screensChanged;  // a screen was added, removed or resized
    };
    virtual ~ScrollHud() = default;
    virtual QSizeF size() const = 0;  // points
    // The part of the screen that windows may use (no panels or docks), global points, y up.
    virtual QRectF visibleFrame(const ScreenInfo& screen) const = 0;
    // Shows the panel with its bottom left corner at origin (global points, y up).
    virtual void show(QPointF origin, const QString& status, Actions actions) = 0;
    virtual void moveTo(QPointF origin) = 0;
    virtual void setStatus(const QString& text) = 0;
    virtual void setHint(const QString& text) = 0;
    // Outlines the sampled area (global points, y up) just outside it, until close().
    virtual void markArea(const QRectF& area) = 0;
    virtual void close() = 0;
    // The panel's own windows, to be left out of every frame.
    virtual std::vector<std::uint32_t> windowIds() const = 0;
};

// Samples the selected area every 0.25 s while the user scrolls, with at most one capture in
// flight (a tick during a capture is dropped), and stitches the frames into one tall image.
// Each capture runs on the scheduler's worker; everything else runs on the main thread. One
// object serves one capture after another; a run ends exactly once.
class ScrollCaptureController final : public ScrollCaptureRunner {
public:
    struct Services {
        Scheduler& scheduler;
        CaptureService& captureService;
        Alerts& alerts;
        ScrollHud& hud;
        std::int64_t ownProcessID;  // this program's windows are left out of every frame
    };
    static constexpr std::chrono::milliseconds kTickInterval{250};

    explicit ScrollCaptureController(Services services);
    ~ScrollCaptureController() override;

    void begin(const RegionSelection& area,
               std::function<void(std::optional<QImage>)> completion) override;
    bool isRunning() const override;
    void finish() override { doneTapped(); }
    // Runs when Done ends a run with an image, before the panel closes.
    std::function<void()> onDone;
    void doneTapped();
    void cancelTapped();

    // Where the panel goes, its bottom left in global points (y up): 12 points below the
    // selection, else above it, else inside it above its bottom edge; at least 8 points from
    // the visible frame's side edges.
    static QPointF positionHUD(QSizeF panel, const QRectF& visibleFrame, const QRectF& selection);
    // "2,468 px — scroll on, then click Done": the stitched height in device pixels, as the
    // saved image has it.
    static QString statusText(qint64 stitchedPixels, const QLocale& locale = QLocale());
    static QString initialStatus();
    static QString scrolledBackHint();
    static QString misalignedHint();
    static QString screenChangedHint();
    // The selection in device pixels of the display showing the screen, from its top left.
    static QRect areaOnDisplay(const QRectF& selection, const ScreenInfo& screen,
                               QSize displaySize);

private:
    struct Run;
    void start(const std::shared_ptr<Run>& run);
    void tick(const std::shared_ptr<Run>& run);
    void integrate(Run& run, const QImage& frame);
    void updateStatus(Run& run);
    void end(Run& run, std::optional<QImage> image);
    void endWithError(Run& run, const CaptureError& error);

    Services m_services;
    std::shared_ptr<Run> m_run;  // the current or last run
};

}  // namespace moxilane
