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
    // above every other window, never taking the focus, transparent until faded in.
    virtual std::unique_ptr<ThumbnailPanel> open(const QImage& image, const QRectF& framePoints,
                                                 std::function<void()> onClick) = 0;
};

// The floating thumbnail after each capture: one at a time, gone after 6 s or on a click,
// which runs the edit action. The action, and the capture it holds, is let go with the
// thumbnail. Main thread only.
class ThumbnailPresenter final : public PreviewPresenter {
public:
    ThumbnailPresenter(ThumbnailWindows& windows, Scheduler& scheduler);
    ~ThumbnailPresenter() override;

    void show(const QImage& image, double scale, std::function<void()> onEdit) override;
    void dismiss(bool animated) override;

    static constexpr std::chrono::milliseconds kShowFor{6000};

private:
    void present(const QImage& thumbnail, const QRectF& framePoints);
    void click();
    void releaseCapture();

    ThumbnailWindows& m_windows;
    Scheduler& m_scheduler;
    std::unique_ptr<ThumbnailPanel> m_panel;
    std::vector<std::unique_ptr<ThumbnailPanel>> m_fadingPanels;
    std::function<void()> m_onEdit;
    // Raised whenever a pending dismissal or a thumbnail being scaled must not land.
    unsigned m_generation = 0;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

// The capture scaled to fit within pixelSize, aspect kept, smoothly.
QImage scaledThumbnail(const QImage& capture, QSize pixelSize);

}  // namespace moxilane
