#include "delivery/ThumbnailPresenter.h"

#include "delivery/ThumbnailPlacement.h"
#include "platform/MemoryRelease.h"

#include <algorithm>
#include <cmath>

namespace moxilane {

namespace {
// Past this many pixels (about half of 4K) scaling takes long enough to be done off the
// main thread.
constexpr qint64 kScaleInBackgroundPixels = 4'000'000;
}  // namespace

QImage scaledThumbnail(const QImage& capture, QSize pixelSize) {
    if (capture.isNull() || pixelSize.isEmpty()) return {};
    const QSize target = capture.size().scaled(pixelSize, Qt::KeepAspectRatio);
    // A 1-pixel side scaled by aspect can round to nothing.
    const QSize nonEmpty(std::max(1, target.width()), std::max(1, target.height()));
    // Two steps for a large shrink: a fast halving keeps the smooth pass short.
    QImage source = capture;
    if (capture.width() > 4 * nonEmpty.width() && capture.height() > 4 * nonEmpty.height())
        source = capture.scaled(nonEmpty * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return source.scaled(nonEmpty, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

ThumbnailPresenter::ThumbnailPresenter(ThumbnailWindows& windows, Scheduler& scheduler)
    : m_windows(windows), m_scheduler(scheduler) {}

ThumbnailPresenter::~ThumbnailPresenter() = default;

void ThumbnailPresenter::show(const QImage& image, double scale, PreviewActions actions) {
    dismiss(false);
    const double pointScale = scale > 0 ? scale : 1.0;
    const QSizeF sizePoints = thumbnailSizePoints(QSizeF(image.size()) / pointScale);
    const auto screen = m_windows.mainScreen();
    if (!screen) return;  // nothing can open the editor: the capture is not kept
    m_actions = std::move(actions);
    const QRectF frame = thumbnailFramePoints(screen->workAreaPoints, sizePoints);
    const QSize pixels(static_cast<int>(std::ceil(sizePoints.width() * screen->devicePixelRatio)),
                       static_cast<int>(std::ceil(sizePoints.height() * screen->devicePixelRatio)));
    if (qint64(image.width()) * image.height() < kScaleInBackgroundPixels) {
        present(scaledThumbnail(image, pixels), frame);
        return;
    }
    const unsigned generation = m_generation;
    std::weak_ptr<bool> alive = m_alive;
    inBackground(
        m_scheduler, [image, pixels] { return scaledThumbnail(image, pixels); },
        [this, alive, generation, frame](QImage thumbnail) {
            // A newer capture, a flow that started or a presenter that went wins.
            if (alive.expired() || generation != m_generation) return;
            present(thumbnail, frame);
        });
}

void ThumbnailPresenter::present(const QImage& thumbnail, const QRectF& framePoints) {
    std::weak_ptr<bool> alive = m_alive;
    m_panel = m_windows.open(
        thumbnail, framePoints,
        [this, alive] {
            if (!alive.expired()) run(&PreviewActions::edit);
        },
        [this, alive] {
            if (!alive.expired()) run(&PreviewActions::pin);
        });
    if (!m_panel) return releaseCapture(true);
    m_panel->fadeIn();
    const unsigned generation = m_generation;
    m_scheduler.postAfter(kShowFor, [this, alive, generation] {
        if (!alive.expired() && generation == m_generation) dismiss(true);
    });
}

void ThumbnailPresenter::run(std::function<void()> PreviewActions::*action) {
    // A copy: the dismissal below lets go of the actions while this one runs.
    if (auto act = m_actions.*action) act();
    dismiss(false);
}

// The actions hold the whole capture: they go with the last thumbnail that can run them.
void ThumbnailPresenter::releaseCapture(bool trimHeap) {
    if (!m_actions.edit && !m_actions.pin) return;
    m_actions = {};
    if (trimHeap) returnFreedMemory();
}

void ThumbnailPresenter::dismiss(bool animated) {
    ++m_generation;  // cancels the pending dismissal and any thumbnail being scaled
    if (!animated) {
        m_fadingPanels.clear();
        m_panel.reset();
        // Gone for a capture that starts or a thumbnail that replaces it: the next capture
        // reuses the freed heap at once, which a trim would make it fault in again, some
        // 1,600 pages each. The trim comes with the last thumbnail's fade.
        releaseCapture(false);
        return;
    }
    if (!m_panel) return;
    ThumbnailPanel* fading = m_panel.get();
    m_fadingPanels.push_back(std::move(m_panel));
    std::weak_ptr<bool> alive = m_alive;
    fading->fadeOut([this, alive, fading] {
        if (alive.expired()) return;
        std::erase_if(m_fadingPanels,
                      [fading](const auto& panel) { return panel.get() == fading; });
        if (!m_panel && m_fadingPanels.empty()) releaseCapture(true);
    });
}

}  // namespace moxilane
