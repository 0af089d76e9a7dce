// Main-thread time of one scrolling-capture tick at a 1920 × 1080 selection: the timer's turn,
// then, once the worker has the frame, stitching it and updating the panel's status line. The
// capture itself runs on the worker and is not counted. Frames come from a realistic page
// scrolled by one to three wheel notches of 60 rows per tick; the real panel shows the status.
#include "ScrollSessionGenerator.h"
#include "platform/x11/X11WindowRoles.h"
#include "scroll/ScrollCaptureController.h"
#include "scroll/ScrollHudPanel.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <chrono>
#include <random>

namespace moxilane {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kPageHeight = 12000;

// Runs the timer and the worker by hand, so main-thread work can be timed apart.
class HandScheduler final : public Scheduler {
public:
    void post(std::function<void()> task) override { task(); }
    void postAfter(std::chrono::milliseconds, std::function<void()> task) override {
        timer = std::move(task);
    }
    void runInBackground(std::function<void()> work, std::function<void()> done) override {
        worker = std::move(work);
        pending = std::move(done);
    }
    void runWorker() {
        if (auto work = std::exchange(worker, {})) work();
    }
    std::function<void()> timer, worker, pending;
};

class PageService final : public CaptureService {
public:
    PageService()
        : page(scrolltest::renderPage(
              {.content = scrolltest::Content::mixed, .width = kWidth, .height = kPageHeight})) {}
    std::expected<ShareableContent, CaptureError> shareableContent() override {
        return ShareableContent{{{1, QRect(0, 0, kWidth, kHeight)}}, {}};
    }
    std::expected<QImage, CaptureError> captureDisplay(const DisplayInfo&) override { return {}; }
    std::expected<QImage, CaptureError> captureWindow(const WindowInfo&) override { return {}; }
    std::expected<QImage, CaptureError> captureRegion(const DisplayInfo&, const QRect&,
                                                      const std::vector<std::uint32_t>&) override {
        top = std::min(top + 60 * int(1 + random() % 3), kPageHeight - kHeight);
        // A fresh copy, as a grab hands over new memory.
        return page.copy(0, top, kWidth, kHeight);
    }
    QImage page;
    int top = 0;
    std::minstd_rand random{7};
};

class NoAlerts final : public Alerts {
public:
    void showAlert(const QString&, const QString&) override {}
};

// One screen the size of the page; the panel places itself on it.
class PageScreen final : public ScreenList {
public:
    ScreenLayout layout() const override {
        const QRect frame(0, 0, kWidth, kHeight);
        return ScreenLayout({ScreenLayout::fromQtGeometry(1, {}, frame, frame, 1.0)});
    }
};

void BM_ScrollTickMainThread(benchmark::State& state) {
    HandScheduler scheduler;
    PageService service;
    NoAlerts alerts;
    PageScreen screen;
    x11::X11WindowRoles roles;
    ScrollHudPanel hud(screen, roles);
    ScrollCaptureController controller({scheduler, service, alerts, hud, 0});
    const RegionSelection area{QRectF(0, 0, kWidth, kHeight),
                               ScreenInfo{1, QRectF(0, 0, kWidth, kHeight), 1.0}};
    bool running = false;
    const auto timed = [](const std::function<void()>& task) {
        const auto start = Clock::now();
        task();
        return std::chrono::duration<double>(Clock::now() - start).count();
    };
    for (auto _ : state) {
        if (!running || service.top >= kPageHeight - kHeight) {
            controller.cancelTapped();
            service.top = 0;
            controller.begin(area, [](std::optional<QImage>) {});
            scheduler.runWorker();
            std::exchange(scheduler.pending, {})();  // the display listing; the first request
            scheduler.runWorker();
            running = true;
        }
        double seconds = 0;
        if (auto pending = std::exchange(scheduler.pending, {})) seconds += timed(pending);
        if (auto tick = std::exchange(scheduler.timer, {})) seconds += timed(tick);
        scheduler.runWorker();  // the worker's part: not timed
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(BM_ScrollTickMainThread)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace moxilane

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
