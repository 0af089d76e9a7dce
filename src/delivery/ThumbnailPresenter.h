#pragma once

#include "delivery/PreviewPresenter.h"
#include "platform/Scheduler.h"

#include <QRectF>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace moxilane {

// One thumbnail window on screen. Destroying it removes the window at once.
class ThumbnailPanel {
public:
    virtual ~ThumbnailPanel() = default;
    virtual void fadeIn() = 0;                              // to opaque over 0.2 s
    virtual void fadeOut(std::function<void()> faded) = 0;  // to transparent over 0.25 s
};

// The screen the thumbnail shows on and the windows that show it.
class ThumbnailWindows {
public:
    struct Screen {
        QRectF workAreaPoints;  // global points, y down; the part no panel covers
        double devicePixelRatio = 1.0;
    };
    virtual ~ThumbnailWindows() = default;
    // The primary screen, else the first; nothing when there is no screen.
    virtual std::optional<Screen> mainScreen() const = 0;
    // A window at framePoints showing image (already scaled to the frame's device pixels),
    // above every other window, never taking the focus, transparent until faded in. onClick
    // runs on a click, onPin on "Pin to Screen" in its menu.
    virtual std::unique_ptr<ThumbnailPanel> open(const QImage& image, const QRectF& framePoints,
                                                 std::function<void()> onClick,
                                                 std::function<void()> onPin) = 0;
};

// The floating thumbnail after each capture: one at a time, gone after 6 s or on a click,
// which runs the edit action, or on "Pin to Screen", which runs the pin action. The
// actions, and the capture they hold, are let go with the thumbnail. Main thread only.
class ThumbnailPresenter final : public PreviewPresenter {
public:
    ThumbnailPresenter(ThumbnailWindows& windows, Scheduler& scheduler);
    ~ThumbnailPresenter() override;

    void show(const QImage& image, double scale, PreviewActions actions) override;
    void dismiss(bool animated) override;

    static constexpr std::chrono::milliseconds kShowFor{6000};

private:
    void present(const QImage& thumbnail, const QRectF& framePoints);
    // Runs the action, then removes the thumbnail.
    void run(std::function<void()> PreviewActions::*action);
    // trimHeap gives the freed heap back to the system as well.
    void releaseCapture(bool trimHeap);

    ThumbnailWindows& m_windows;
    Scheduler& m_scheduler;
    std::unique_ptr<ThumbnailPanel> m_panel;
    std::vector<std::unique_ptr<ThumbnailPanel>> m_fadingPanels;
    PreviewActions m_actions;
    // Raised whenever a pending dismissal or a thumbnail being scaled must not land.
    unsigned m_generation = 0;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

// The capture scaled to fit within pixelSize, aspect kept, smoothly.
QImage scaledThumbnail(const QImage& capture, QSize pixelSize);

}  // namespace moxilane
