#include "ScrollSessionGenerator.h"
#include "TestPages.h"
#include "scroll/ScrollCaptureController.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>

namespace moxilane {
namespace {

using namespace std::chrono_literals;

// The main queue and a clock the test drives; worker jobs wait until the test completes them,
// so a test can act while a capture is in flight.
class HeldScheduler final : public Scheduler {
public:
    void post(std::function<void()> task) override { queue.push_back(std::move(task)); }
    void postAfter(std::chrono::milliseconds delay, std::function<void()> task) override {
        timed.emplace(now + delay, std::move(task));
    }
    void runInBackground(std::function<void()> work, std::function<void()> done) override {
        jobs.push_back([work = std::move(work), done = std::move(done)] {
            work();
            done();
        });
    }
    void completeJobs() {
        while (!jobs.empty()) {
            auto job = std::move(jobs.front());
            jobs.pop_front();
            job();
        }
    }
    void advance(std::chrono::milliseconds by) {
        const auto end = now + by;
        while (!timed.empty() && timed.begin()->first <= end) {
            auto node = timed.extract(timed.begin());
            now = node.key();
            node.mapped()();
        }
        now = end;
    }
    // One timer period, with every capture it starts finished.
    void step() {
        advance(250ms);
        completeJobs();
    }
    std::chrono::milliseconds now{0};
    std::deque<std::function<void()>> queue, jobs;
    std::multimap<std::chrono::milliseconds, std::function<void()>> timed;
};

// A tall page whose every row differs; the view shows `frameHeight` rows from `offset`.
class PageCapture final : public CaptureService {
public:
    void regionCapturesEnded() override { ++endedCaptures; }
    std::expected<ShareableContent, CaptureError> shareableContent() override {
        ++listings;
        if (listingError) return std::unexpected(*listingError);
        return content;
    }
    std::expected<QImage, CaptureError> captureDisplay(const DisplayInfo&) override { return {}; }
    std::expected<QImage, CaptureError> captureWindow(const WindowInfo&) override { return {}; }
    std::expected<QImage, CaptureError> captureRegion(
        const DisplayInfo&, const QRect& area,
        const std::vector<std::uint32_t>& excluded) override {
        ++captures;
        lastArea = area;
        lastExcluded = excluded;
        if (failNext) {
            failNext = false;
            return std::unexpected(CaptureError{failKind, {}});
        }
        if (window) return window->frame(page, offset);
        return page.copy(0, offset, page.width(), frameHeight);
    }
    std::optional<scrolltest::Window> window;  // when set, frames show the page through it
    QImage page = scrolltest::noisePage(64, 30000);
    int offset = 0, frameHeight = 400, captures = 0, listings = 0;
    bool failNext = false;
    CaptureError::Kind failKind = CaptureError::Kind::Refused;
    int endedCaptures = 0;
    QRect lastArea;
    std::vector<std::uint32_t> lastExcluded;
    std::optional<CaptureError> listingError;
    ShareableContent content{{{7, QRect(0, 0, 3840, 2160)}}, {}};
};

class FakeHud final : public ScrollHud {
public:
    QSizeF size() const override { return {300, 117}; }
    QRectF visibleFrame(const ScreenInfo& screen) const override {
        return frame.value_or(screen.frame);
    }
    void show(QPointF at, const QString& text, Actions a) override {
        ++shown;
        origin = at;
        status = text;
        actions = std::move(a);
    }
    void moveTo(QPointF at) override { origin = at; }
    void setStatus(const QString& text) override { status = text; }
    void setHint(const QString& text) override { hint = text; }
    void markArea(const QRectF& area) override { marked = area; }
    void close() override { ++closed; }
    std::vector<std::uint32_t> windowIds() const override { return {900}; }
    int shown = 0, closed = 0;
    std::optional<QRectF> frame;  // the screen's, unless set
    QPointF origin;
    QString status, hint;
    QRectF marked;
    Actions actions;
};

class RecordingAlerts final : public Alerts {
public:
    void showAlert(const QString& message, const QString& text) override {
        shown.push_back(message + " / " + text);
    }
    std::vector<QString> shown;
};

class ScrollCaptureControllerTest : public testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    // A 32 × 200 point area at scale 2 on a 1920 × 1080 point screen.
    void begin(QRectF rect = QRectF(100, 500, 32, 200)) {
        controller.begin({rect, ScreenInfo{7, QRectF(0, 0, 1920, 1080), 2.0}},
                         [this](std::optional<QImage> image) { results.push_back(image); });
    }
    void scrollBy(int rows) { capture.offset += rows; }
    // The one ending so far, with an image or without; then forgotten, for the next part.
    void expectOneEnding(bool withImage) {
        ASSERT_EQ(results.size(), 1u);
        EXPECT_EQ(results[0].has_value(), withImage);
        results.clear();
    }

    HeldScheduler scheduler;
    PageCapture capture;
    RecordingAlerts alerts;
    FakeHud hud;
    ScrollCaptureController controller{{scheduler, capture, alerts, hud, 4242}};
    std::vector<std::optional<QImage>> results;
};

TEST(ScrollCaptureGeometry, PanelGoesBelowElseAboveElseInsideAndKeepsOffTheSides) {
    const QSizeF panel(300, 117);
    const QRectF visible(0, 0, 1920, 1055);  // y up; a 25-point bar at the top
    using C = ScrollCaptureController;
    EXPECT_EQ(C::positionHUD(panel, visible, QRectF(800, 400, 400, 300)), QPointF(850, 271));
    EXPECT_EQ(C::positionHUD(panel, visible, QRectF(800, 50, 400, 300)), QPointF(850, 362));
    EXPECT_EQ(C::positionHUD(panel, visible, QRectF(800, 0, 400, 1055)), QPointF(850, 12));
    EXPECT_EQ(C::positionHUD(panel, visible, QRectF(0, 400, 100, 300)).x(), 8);
    EXPECT_EQ(C::positionHUD(panel, visible, QRectF(1850, 400, 70, 300)).x(), 1920 - 300 - 8);
}

TEST(ScrollCaptureGeometry, StatusShowsDevicePixelsGroupedAsTheLocaleHasIt) {
    using C = ScrollCaptureController;
    // At scale 2 too the number is the saved image's height in pixels.
    EXPECT_EQ(C::statusText(2468, QLocale(QLocale::English, QLocale::UnitedStates)),
              QStringLiteral("2,468 px — scroll on, then click Done"));
    EXPECT_EQ(C::statusText(2469, QLocale(QLocale::German, QLocale::Germany)),
              QStringLiteral("2.469 px — scroll on, then click Done"));
    // y up: 700 points from the bottom of a 1080-point screen is 380 from its top.
    EXPECT_EQ(C::areaOnDisplay(QRectF(100, 500, 32, 200), {7, QRectF(0, 0, 1920, 1080), 2.0},
                               QSize(3840, 2160)),
              QRect(200, 760, 64, 400));
}

TEST_F(ScrollCaptureControllerTest, PanelIsPlacedAgainWhenItsScreenShrinks) {
    begin(QRectF(1700, 500, 200, 200));
    EXPECT_EQ(hud.origin, QPointF(1920 - 300 - 8, 500 - 117 - 12));
    hud.frame = QRectF(0, 0, 1280, 720);  // y up: the same bottom edge
    hud.actions.screensChanged();
    EXPECT_EQ(hud.origin, QPointF(1280 - 300 - 8, 500 - 117 - 12));
    controller.cancelTapped();
    hud.frame = QRectF(0, 0, 1920, 1080);
    hud.actions.screensChanged();  // a panel that has closed stays where it was
    EXPECT_EQ(hud.origin, QPointF(1280 - 300 - 8, 500 - 117 - 12));
}

TEST_F(ScrollCaptureControllerTest, TicksKeepOneCaptureInFlightAndStitchWhatScrolls) {
    begin();
    EXPECT_EQ(hud.shown, 1);
    EXPECT_EQ(hud.status, QStringLiteral("Scroll down through the content…"));
    EXPECT_EQ(hud.origin, QPointF(8, 500 - 117 - 12));  // below, kept off the left edge
    EXPECT_EQ(hud.marked, QRectF(100, 500, 32, 200));
    scheduler.completeJobs();  // the listing, then the first frame
    EXPECT_EQ(capture.captures, 1);
    EXPECT_EQ(capture.lastArea, QRect(200, 760, 64, 400));
    EXPECT_EQ(capture.lastExcluded, std::vector<std::uint32_t>{900});
    EXPECT_EQ(hud.status, QStringLiteral("400 px — scroll on, then click Done"));  // pixels

    // Ticks while a capture runs are dropped, not queued.
    scrollBy(150);
    for (int i = 0; i < 3; ++i)
        scheduler.advance(250ms);
    EXPECT_EQ(scheduler.jobs.size(), 1u);
    scheduler.completeJobs();
    EXPECT_EQ(capture.captures, 2);
    EXPECT_EQ(hud.status, QStringLiteral("550 px — scroll on, then click Done"));

    scrollBy(1000);  // too far for any overlap
    scheduler.step();
    EXPECT_EQ(hud.hint, QStringLiteral("Couldn't align — scroll a bit slower."));
    scrollBy(-900);
    scheduler.step();
    EXPECT_EQ(hud.hint, QString());

    capture.frameHeight = 300;  // the screen changed under the selection
    scheduler.step();
    EXPECT_EQ(hud.hint,
              QStringLiteral("The screen changed — click Done to keep what was captured."));

    controller.doneTapped();
    ASSERT_EQ(results.size(), 1u);
    ASSERT_TRUE(results[0]);
    EXPECT_EQ(*results[0], capture.page.copy(0, 0, 64, 650));
    EXPECT_EQ(hud.closed, 1);
    const int captures = capture.captures;
    scheduler.step();
    scheduler.step();
    EXPECT_EQ(capture.captures, captures);  // the timer stopped
}

TEST_F(ScrollCaptureControllerTest, ScrollingBackSaysSoUntilTheNextAcceptedFrame) {
    using scrolltest::Theme;
    capture.page = scrolltest::renderPage({.content = scrolltest::Content::mixed, .width = 400});
    capture.window.emplace(400, 400, scrolltest::Chrome{.headerRows = 40}, Theme::light);
    begin();
    scheduler.completeJobs();
    const QString back = QStringLiteral("Scrolled back — scroll down to continue.");
    // Down three notches, back up two (within the last frame, then past it), down again.
    const struct {
        int offset;
        QString hint;
    } steps[] = {{200, {}},   {400, {}},   {600, {}},   {400, back},
                 {200, back}, {400, back}, {600, back}, {800, {}}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.offset);
        capture.offset = step.offset;
        scheduler.step();
        EXPECT_EQ(hud.hint, step.hint);
    }
    EXPECT_EQ(hud.status, QStringLiteral("1,200 px — scroll on, then click Done"));
}

TEST_F(ScrollCaptureControllerTest, FramesTooSmallNeverMakeAStitcher) {
    capture.frameHeight = 100;
    begin();
    scheduler.completeJobs();
    scheduler.step();
    EXPECT_EQ(hud.status, QStringLiteral("Scroll down through the content…"));
    hud.actions.done();
    expectOneEnding(false);
}

TEST_F(ScrollCaptureControllerTest, EveryEndingRunsOnce) {
    // Done then Esc, and the scrolling command again.
    begin();
    scheduler.completeJobs();
    auto actions = hud.actions;
    controller.finish();
    actions.cancel();
    controller.finish();
    expectOneEnding(true);

    // Cancel while a frame request runs: the frame comes later without effect.
    begin();
    scheduler.completeJobs();
    scheduler.advance(250ms);
    ASSERT_EQ(scheduler.jobs.size(), 1u);
    hud.actions.cancel();
    scheduler.completeJobs();
    expectOneEnding(false);

    // Done before the first frame: nothing, and no alert.
    begin();
    controller.doneTapped();
    scheduler.completeJobs();
    expectOneEnding(false);
    EXPECT_TRUE(alerts.shown.empty());

    // The cap ends by itself; Done afterwards does nothing.
    capture.frameHeight = 1000;
    begin(QRectF(100, 0, 32, 500));
    scheduler.completeJobs();
    for (int i = 0; i < 60 && results.empty(); ++i) {
        scrollBy(600);
        scheduler.step();
    }
    controller.doneTapped();
    ASSERT_EQ(results.size(), 1u);
    ASSERT_TRUE(results[0]);
    EXPECT_EQ(results[0]->height(), kMaxScrollCaptureHeight);
    EXPECT_EQ(*results[0], capture.page.copy(0, 0, 64, kMaxScrollCaptureHeight));
}

TEST_F(ScrollCaptureControllerTest, FailuresRetryAndAMissingDisplayIsSaid) {
    WindowInfo ours, theirs;
    ours.windowID = 31;
    ours.owningApplication = OwningApplication{4242, "us"};
    theirs.windowID = 32;
    theirs.owningApplication = OwningApplication{17, "them"};
    capture.content.windows = {ours, theirs};
    begin();
    scheduler.completeJobs();
    EXPECT_EQ(capture.lastExcluded, (std::vector<std::uint32_t>{900, 31}));
    capture.failNext = true;
    scheduler.step();  // ignored
    EXPECT_TRUE(results.empty());
    const int listings = capture.listings;
    scheduler.step();  // retried, after checking the display is still there
    EXPECT_EQ(capture.listings, listings + 1);
    EXPECT_TRUE(results.empty());

    // The display changes size: the capture fails, and the panel says why.
    capture.failNext = true;
    scheduler.step();
    capture.content.displays[0].areaDevice = QRect(0, 0, 1920, 1080);
    scheduler.step();
    EXPECT_EQ(hud.hint,
              QStringLiteral("The screen changed — click Done to keep what was captured."));

    // The display goes after the first frame: what was stitched is kept.
    capture.failNext = true;
    scheduler.step();
    capture.content.displays.clear();
    scheduler.step();
    expectOneEnding(true);
    EXPECT_TRUE(alerts.shown.empty());

    // No display for the screen at the start: nothing, with the alert.
    begin();
    scheduler.completeJobs();
    expectOneEnding(false);
    EXPECT_EQ(alerts.shown,
              std::vector<QString>{"Could Not Capture the Screen / No display found to capture."});
    EXPECT_EQ(hud.closed, 2);
    alerts.shown.clear();

    // A share the desktop declines is not asked for again at every tick: the run ends, with
    // the alert when nothing was stitched, with what was stitched otherwise.
    capture.content.displays = {{7, QRect(0, 0, 3840, 2160)}};
    capture.failKind = CaptureError::Kind::Declined;
    for (const bool afterAFrame : {false, true}) {
        SCOPED_TRACE(afterAFrame);
        capture.failNext = !afterAFrame;
        begin();
        scheduler.completeJobs();
        capture.failNext = true;
        scheduler.step();
        expectOneEnding(afterAFrame);
    }
    EXPECT_EQ(alerts.shown, std::vector<QString>{"Could Not Capture the Screen / The desktop "
                                                 "did not share the screen."});
    // Each ending lets the service close what it held open for the frames.
    scheduler.completeJobs();
    EXPECT_EQ(capture.endedCaptures, 4);
}

}  // namespace
}  // namespace moxilane
