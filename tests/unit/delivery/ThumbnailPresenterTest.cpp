#include "delivery/ThumbnailPlacement.h"
#include "delivery/ThumbnailPresenter.h"
#include "fakes/FakeScheduler.h"

#include <gtest/gtest.h>

using namespace moxilane;
using namespace std::chrono_literals;

namespace {

// What the fake windows saw of one thumbnail.
struct PanelLog {
    QImage image;
    QRectF frame;
    std::function<void()> click;
    std::function<void()> pin;
    bool fadedIn = false;
    std::function<void()> finishFadeOut;  // set while fading out
    bool removed = false;
};

class FakeThumbnailWindows final : public ThumbnailWindows {
public:
    std::optional<Screen> mainScreen() const override { return screen; }
    std::unique_ptr<ThumbnailPanel> open(const QImage& image, const QRectF& frame,
                                         std::function<void()> onClick,
                                         std::function<void()> onPin) override {
        auto log = std::make_shared<PanelLog>();
        log->image = image;
        log->frame = frame;
        log->click = std::move(onClick);
        log->pin = std::move(onPin);
        panels.push_back(log);
        return std::make_unique<Panel>(log);
    }

    std::optional<Screen> screen = Screen{QRectF(0, 0, 1920, 1040), 1.0};
    std::vector<std::shared_ptr<PanelLog>> panels;

private:
    struct Panel final : ThumbnailPanel {
        explicit Panel(std::shared_ptr<PanelLog> l) : log(std::move(l)) {}
        ~Panel() override { log->removed = true; }
        void fadeIn() override { log->fadedIn = true; }
        void fadeOut(std::function<void()> faded) override {
            log->finishFadeOut = std::move(faded);
        }
        std::shared_ptr<PanelLog> log;
    };
};

QImage image(int w, int h) {
    QImage i(w, h, QImage::Format_RGB32);
    i.fill(Qt::darkCyan);
    return i;
}

struct Presenter {
    FakeThumbnailWindows windows;
    test::FakeScheduler scheduler;
    ThumbnailPresenter presenter{windows, scheduler};
    PanelLog& panel(std::size_t i) { return *windows.panels.at(i); }
};

}  // namespace

TEST(ThumbnailPlacement, FitsTheBoxNeverEnlargesAndKeepsTheMinimums) {
    EXPECT_EQ(thumbnailSizePoints({500, 300}), QSizeF(260, 156));    // 1000 × 600 px at scale 2
    EXPECT_EQ(thumbnailSizePoints({200, 20}), QSizeF(200, 40));      // small: not enlarged
    EXPECT_EQ(thumbnailSizePoints({4000, 100}), QSizeF(260, 40));    // 6.5 high, raised
    EXPECT_EQ(thumbnailSizePoints({1, 1080}), QSizeF(60, 180));      // one pixel wide
    EXPECT_EQ(thumbnailSizePoints({3840, 24000}), QSizeF(60, 180));  // 28.8 wide, raised
    EXPECT_EQ(thumbnailSizePoints({0, 0}), QSizeF(60, 40));
}

TEST(ThumbnailPlacement, SixteenPointsInFromTheWorkAreasBottomRight) {
    // A panel 40 points high along the bottom, and a second monitor left of the primary.
    EXPECT_EQ(thumbnailFramePoints(QRectF(1920, 0, 1920, 1040), {260, 156}),
              QRectF(1920 + 1920 - 16 - 260, 1040 - 16 - 156, 260, 156));
}

TEST(ThumbnailPresenter, ShowsFadesInAtItsPlaceAndScalesToTheScreensPixels) {
    Presenter t;
    t.windows.screen->devicePixelRatio = 2.0;
    t.presenter.show(image(1000, 600), 2.0, {});
    ASSERT_EQ(t.windows.panels.size(), 1u);
    EXPECT_TRUE(t.panel(0).fadedIn);
    EXPECT_EQ(t.panel(0).frame, QRectF(1920 - 16 - 260, 1040 - 16 - 156, 260, 156));
    EXPECT_EQ(t.panel(0).image.size(), QSize(520, 312));
}

TEST(ThumbnailPresenter, ANewCaptureRemovesTheLastAtOnceAndAFlowRemovesAFadingOne) {
    Presenter t;
    t.presenter.show(image(800, 600), 1.0, {});
    t.scheduler.advance(3s);
    t.presenter.show(image(800, 600), 1.0, {});
    ASSERT_EQ(t.windows.panels.size(), 2u);
    EXPECT_TRUE(t.panel(0).removed);  // the first goes at once, without fading
    EXPECT_FALSE(t.panel(0).finishFadeOut);
    t.scheduler.advance(5999ms);  // the first one's timer (at 6 s) must not touch the second
    EXPECT_FALSE(t.panel(1).finishFadeOut);
    EXPECT_FALSE(t.panel(1).removed);
    t.scheduler.advance(1ms);  // 6 s after its own show
    ASSERT_TRUE(t.panel(1).finishFadeOut);
    EXPECT_FALSE(t.panel(1).removed);
    t.panel(1).finishFadeOut();
    EXPECT_TRUE(t.panel(1).removed);

    t.presenter.show(image(100, 100), 1.0, {});
    t.scheduler.advance(6s);
    ASSERT_TRUE(t.panel(2).finishFadeOut);
    t.presenter.dismiss(false);  // a capture flow starts while it fades
    EXPECT_TRUE(t.panel(2).removed);
    t.panel(2).finishFadeOut();  // a late completion changes nothing
}

TEST(ThumbnailPresenter, AClickEditsAndPinToScreenPinsThenTheThumbnailGoes) {
    for (const bool pinning : {false, true}) {
        SCOPED_TRACE(pinning ? "pin" : "click");
        Presenter t;
        int edits = 0, pins = 0;
        const auto counting = [&](int& count) {
            return [&] {
                ++count;
                EXPECT_FALSE(t.panel(0).removed);  // removed after the action
            };
        };
        t.presenter.show(image(100, 100), 1.0, {counting(edits), counting(pins)});
        (pinning ? t.panel(0).pin : t.panel(0).click)();
        EXPECT_EQ(edits, pinning ? 0 : 1);
        EXPECT_EQ(pins, pinning ? 1 : 0);
        EXPECT_TRUE(t.panel(0).removed);
        t.scheduler.advance(10s);
        EXPECT_FALSE(t.panel(0).finishFadeOut);
    }
}

TEST(ThumbnailPresenter, TheCaptureIsLetGoWhenItsThumbnailGoes) {
    enum class Ending { click, timeout, replaced, flowStarts };
    const std::pair<const char*, Ending> rows[] = {{"click", Ending::click},
                                                   {"timeout", Ending::timeout},
                                                   {"replaced", Ending::replaced},
                                                   {"a flow starts", Ending::flowStarts}};
    for (const auto& [name, ending] : rows) {
        SCOPED_TRACE(name);
        Presenter t;
        QImage capture = image(1000, 800);  // larger than a thumbnail: not shared with it
        // The actions hold the capture, as the delivery's do.
        t.presenter.show(capture, 1.0,
                         {.edit = [capture] { static_cast<void>(capture.size()); }, .pin = {}});
        EXPECT_FALSE(capture.isDetached());  // shared while the thumbnail can open it
        switch (ending) {
            case Ending::click:
                t.panel(0).click();
                break;
            case Ending::timeout:
                t.scheduler.advance(6s);
                EXPECT_FALSE(capture.isDetached());  // a fading thumbnail still opens it
                t.panel(0).finishFadeOut();
                break;
            case Ending::replaced:
                t.presenter.show(image(50, 50), 1.0, {});
                break;
            case Ending::flowStarts:
                t.presenter.dismiss(false);
                break;
        }
        EXPECT_TRUE(capture.isDetached());
    }
}

TEST(ThumbnailPresenter, LargeCapturesAreScaledOffTheMainThreadAndMayBeOvertaken) {
    Presenter t;
    t.presenter.show(image(3840, 2160), 1.0, {});
    EXPECT_TRUE(t.windows.panels.empty());  // still on the worker
    t.presenter.dismiss(false);             // a capture flow starts meanwhile
    t.scheduler.runUntilIdle();
    EXPECT_TRUE(t.windows.panels.empty());
    t.presenter.show(image(3840, 2160), 1.0, {});
    t.scheduler.runUntilIdle();
    ASSERT_EQ(t.windows.panels.size(), 1u);
    EXPECT_EQ(t.panel(0).image.size(), QSize(260, 146));
}

TEST(ThumbnailPresenter, NoScreenShowsNothing) {
    Presenter t;
    t.windows.screen.reset();
    t.presenter.show(image(10, 10), 1.0, {});
    t.scheduler.advance(10s);
    EXPECT_TRUE(t.windows.panels.empty());
}
