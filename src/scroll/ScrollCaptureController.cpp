#include "scroll/ScrollCaptureController.h"

#include <algorithm>
#include <cmath>

namespace moxilane {

struct ScrollCaptureController::Run {
    RegionSelection area;
    std::function<void(std::optional<QImage>)> completion;
    std::optional<DisplayInfo> display;  // none until the displays are known
    QRect areaDevice;
    std::vector<std::uint32_t> excludedWindows;
    std::optional<ScrollStitcher> stitcher;
    bool captureInFlight = false;
    bool recheckDisplay = false;  // after a failed capture: is the display still there?
    bool finished = false;
};

namespace {

// What the worker brings back from one tick.
struct Frame {
    std::expected<QImage, CaptureError> image = std::unexpected(CaptureError{});
    std::optional<DisplayInfo> display;  // none: the display has gone
};

std::optional<DisplayInfo> findDisplay(const ShareableContent& content, std::uint32_t displayID) {
    const auto found = std::ranges::find(content.displays, displayID, &DisplayInfo::displayID);
    if (found == content.displays.end()) return std::nullopt;
    return *found;
}

}  // namespace

ScrollCaptureController::ScrollCaptureController(Services services) : m_services(services) {}

ScrollCaptureController::~ScrollCaptureController() {
    // The program is quitting: the panel goes, nothing is delivered.
    if (m_run && !m_run->finished) {
        m_run->finished = true;
        m_services.hud.close();
    }
}

QString ScrollCaptureController::initialStatus() {
    return QStringLiteral("Scroll down through the content…");
}
QString ScrollCaptureController::scrolledBackHint() {
    return QStringLiteral("Scrolled back — scroll down to continue.");
}
QString ScrollCaptureController::misalignedHint() {
    return QStringLiteral("Couldn't align — scroll a bit slower.");
}
QString ScrollCaptureController::screenChangedHint() {
    return QStringLiteral("The screen changed — click Done to keep what was captured.");
}

QString ScrollCaptureController::statusText(qint64 stitchedPixels, const QLocale& locale) {
    return locale.toString(qlonglong(stitchedPixels)) +
           QStringLiteral(" px — scroll on, then click Done");
}

QPointF ScrollCaptureController::positionHUD(QSizeF panel, const QRectF& visibleFrame,
                                             const QRectF& selection) {
    const double w = panel.width();
    const double h = panel.height();
    double y = selection.top() - h - 12;  // y up: top() is the bottom edge
    if (y < visibleFrame.top()) y = selection.bottom() + 12;
    if (visibleFrame.bottom() < y + h) y = selection.top() + 12;
    double x = selection.center().x() - w / 2;
    x = std::max(x, visibleFrame.left() + 8);
    x = std::min(x, visibleFrame.right() - w - 8);
    return {x, y};
}

QRect ScrollCaptureController::areaOnDisplay(const QRectF& selection, const ScreenInfo& screen,
                                             QSize displaySize) {
    // The factors come from the display, as the area capture's cut does.
    const QRect area = ScreenLayout::imagePixels(selection, screen, displaySize);
    return area.intersected(QRect(QPoint(0, 0), displaySize));
}

bool ScrollCaptureController::isRunning() const {
    return m_run && !m_run->finished;
}

void ScrollCaptureController::begin(const RegionSelection& area,
                                    std::function<void(std::optional<QImage>)> completion) {
    if (isRunning()) cancelTapped();
    auto run = std::make_shared<Run>();
    run->area = area;
    run->completion = std::move(completion);
    m_run = run;
    ScrollHud& hud = m_services.hud;
    const std::weak_ptr<Run> weak = run;
    const auto current = [this, weak] { return !weak.expired() && weak.lock() == m_run; };
    hud.show(positionHUD(hud.size(), hud.visibleFrame(area.screen), area.rectGlobal),
             initialStatus(),
             {[this, current] {
                  if (current()) doneTapped();
              },
              [this, current] {
                  if (current()) cancelTapped();
              },
              [this, current, area] {
                  // A screen that shrank may have left the panel outside it.
                  ScrollHud& panel = m_services.hud;
                  if (current() && isRunning())
                      panel.moveTo(positionHUD(panel.size(), panel.visibleFrame(area.screen),
                                               area.rectGlobal));
              }});
    hud.markArea(area.rectGlobal);
    start(run);
}

void ScrollCaptureController::start(const std::shared_ptr<Run>& run) {
    inBackground(
        m_services.scheduler,
        [&service = m_services.captureService] { return service.shareableContent(); },
        [this, run](std::expected<ShareableContent, CaptureError> content) {
            if (run->finished) return;
            if (!content) return endWithError(*run, content.error());
            run->display = findDisplay(*content, run->area.screen.displayID);
            if (run->display) {
                run->areaDevice = areaOnDisplay(run->area.rectGlobal, run->area.screen,
                                                run->display->areaDevice.size());
            }
            if (!run->display || run->areaDevice.isEmpty())
                return endWithError(*run, CaptureError{CaptureError::Kind::NoDisplay, {}});
            run->excludedWindows = m_services.hud.windowIds();
            for (const WindowInfo& window : content->windows) {
                if (window.owningApplication &&
                    window.owningApplication->processID == m_services.ownProcessID)
                    run->excludedWindows.push_back(window.windowID);
            }
            tick(run);
        });
}

void ScrollCaptureController::tick(const std::shared_ptr<Run>& run) {
    if (run->finished) return;
    m_services.scheduler.postAfter(kTickInterval, [this, weak = std::weak_ptr<Run>(run)] {
        if (auto alive = weak.lock()) tick(alive);
    });
    if (run->captureInFlight || !run->display) return;  // dropped, not queued
    run->captureInFlight = true;
    inBackground(
        m_services.scheduler,
        [&service = m_services.captureService, display = *run->display, area = run->areaDevice,
         excluded = run->excludedWindows, recheck = run->recheckDisplay]() -> Frame {
            Frame frame{.display = display};
            if (recheck) {
                auto content = service.shareableContent();
                if (!content) {
                    frame.image = std::unexpected(content.error());
                    return frame;
                }
                frame.display = findDisplay(*content, display.displayID);
                if (!frame.display) return frame;
            }
            frame.image = service.captureRegion(*frame.display, area, excluded);
            return frame;
        },
        [this, run](Frame frame) {
            run->captureInFlight = false;
            if (run->finished) return;  // a frame after the end is dropped
            if (!frame.display) {
                // The display went away: what was stitched is kept; with nothing, say why.
                if (run->stitcher) return end(*run, run->stitcher->compose());
                return endWithError(*run, CaptureError{CaptureError::Kind::NoDisplay, {}});
            }
            // A display that changed size may no longer hold the area: say so, not "slower".
            if (frame.display->areaDevice.size() != run->display->areaDevice.size())
                m_services.hud.setHint(screenChangedHint());
            run->display = frame.display;
            // A share the desktop declined would only be asked for again at every tick.
            if (!frame.image && frame.image.error().kind == CaptureError::Kind::Declined) {
                if (run->stitcher) return end(*run, run->stitcher->compose());
                return endWithError(*run, frame.image.error());
            }
            // A failed capture is ignored; the next tick also checks the display is there.
            run->recheckDisplay = !frame.image;
            if (frame.image) integrate(*run, *frame.image);
        });
}

void ScrollCaptureController::integrate(Run& run, const QImage& frame) {
    if (!run.stitcher) {
        run.stitcher = ScrollStitcher::create(frame, kMaxScrollCaptureHeight);
        updateStatus(run);
        return;
    }
    if (frame.width() != run.stitcher->frameWidth() ||
        frame.height() != run.stitcher->frameHeight()) {
        m_services.hud.setHint(screenChangedHint());
        return;
    }
    const AppendResult result = run.stitcher->append(frame);
    switch (result.kind) {
        case AppendResult::Kind::appended:
            m_services.hud.setHint({});
            updateStatus(run);
            break;
        case AppendResult::Kind::unchanged:
            break;
        case AppendResult::Kind::misaligned:
            m_services.hud.setHint(result.scrolledBack ? scrolledBackHint() : misalignedHint());
            break;
        case AppendResult::Kind::full:
            m_services.hud.setHint({});
            updateStatus(run);
            end(run, run.stitcher->compose());
            break;
    }
}

void ScrollCaptureController::updateStatus(Run& run) {
    if (!run.stitcher) return;
    m_services.hud.setStatus(statusText(run.stitcher->totalHeight()));
}

void ScrollCaptureController::doneTapped() {
    if (!isRunning()) return;
    Run& run = *m_run;
    std::optional<QImage> image = run.stitcher ? run.stitcher->compose() : std::nullopt;
    if (image && onDone) onDone();
    end(run, std::move(image));
}

void ScrollCaptureController::cancelTapped() {
    if (!isRunning()) return;
    end(*m_run, std::nullopt);
}

void ScrollCaptureController::end(Run& run, std::optional<QImage> image) {
    if (run.finished) return;
    run.finished = true;
    m_services.hud.close();
    m_services.scheduler.runInBackground(
        [&service = m_services.captureService] { service.regionCapturesEnded(); }, [] {});
    auto completion = std::move(run.completion);
    if (completion) completion(std::move(image));
}

void ScrollCaptureController::endWithError(Run& run, const CaptureError& error) {
    if (run.finished) return;
    end(run, std::nullopt);
    m_services.alerts.showAlert(QStringLiteral("Could Not Capture the Screen"),
                                error.description());
}

}  // namespace moxilane
