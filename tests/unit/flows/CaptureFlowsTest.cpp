#include "DeliveryFixture.h"
#include "fakes/FakeCapture.h"
#include "flows/CaptureFlows.h"

#include <gtest/gtest.h>

using namespace moxilane;
using namespace moxilane::test;
using namespace std::chrono_literals;

namespace {

class FakeSelector final : public RegionSelector {
public:
    void begin(const std::optional<QString>& hint, const SnapshotMap& snapshots,
               std::function<void(std::optional<RegionSelection>)> done) override {
        std::tie(lastHint, shownSnapshots, completion) = std::tuple(hint, snapshots, done);
    }
    void finish(std::optional<RegionSelection> chosen) { std::exchange(completion, {})(chosen); }
    std::optional<QString> lastHint;
    SnapshotMap shownSnapshots;
    std::function<void(std::optional<RegionSelection>)> completion;
};

class FakeScrollRunner final : public ScrollCaptureRunner {
public:
    void begin(const RegionSelection& area,
               std::function<void(std::optional<QImage>)> done) override {
        started.push_back(area), completion = std::move(done);
    }
    bool isRunning() const override { return bool(completion); }
    void finish() override { std::exchange(completion, {})(QImage(10, 200, QImage::Format_RGB32)); }
    std::vector<RegionSelection> started;
    std::function<void(std::optional<QImage>)> completion;
};

class FakePicker final : public WindowPicker {
public:
    void begin(const std::vector<WindowInfo>& windows, const SnapshotMap& snapshots,
               std::function<void(std::optional<WindowInfo>)> done) override {
        std::tie(offered, shownSnapshots, completion) = std::tuple(windows, snapshots, done);
    }
    void pick(std::optional<WindowInfo> window) { std::exchange(completion, {})(window); }
    std::vector<WindowInfo> offered;
    SnapshotMap shownSnapshots;
    std::function<void(std::optional<WindowInfo>)> completion;
};

// Hands out holds that the test presses Esc on; counts those still held.
class FakeKeyboardGrab final : public KeyboardGrab {
public:
    struct Hold final : HeldKeyboard {
        explicit Hold(FakeKeyboardGrab& g) : grab(g) { ++grab.held; }
        ~Hold() override { --grab.held; }
        bool escapePressed() const override { return grab.escape; }
        FakeKeyboardGrab& grab;
    };
    std::unique_ptr<HeldKeyboard> take() override {
        if (heldElsewhere) return nullptr;
        return std::make_unique<Hold>(*this);
    }
    bool heldElsewhere = false, escape = false;
    int held = 0;
};

// Counts the holds of the screen in force.
class FakeRoles final : public WindowRoles {
public:
    struct Hold final : HeldScreen {
        explicit Hold(int& h) : held(h) { ++held; }
        ~Hold() override { --held; }
        void place(QWidget&) override {}
        void shade(QWidget&, const QRegion&, int) override {}
        void put(QWidget&, QPoint, const QImage&) override {}
        int& held;
    };
    void prepare(QWidget&, WindowRole) override {}
    bool takeKeyboard(QWidget&) override { return false; }
    bool showsTranslucency() const override { return false; }
    std::unique_ptr<HeldScreen> holdScreen() override { return std::make_unique<Hold>(held); }
    int held = 0;
};

// Reads what the test says; a set cancel flag wins, as it does in the engine.
class FakeTextReader final : public TextReader {
public:
    std::expected<QString, TextReadError> read(const QImage& image, const QString&,
                                               const std::atomic<bool>& cancel) override {
        sizes.push_back(image.size());
        if (cancel) return std::unexpected(TextReadError{TextReadError::Kind::Cancelled, {}});
        return result;
    }
    void release() override { ++releases; }
    std::expected<QString, TextReadError> result = QStringLiteral("text");
    std::vector<QSize> sizes;
    int releases = 0;
};

class FakeTextPresenter final : public TextPresenter {
public:
    void showText(const QString& text, bool copied) override {
        shown << (copied ? text : text + " (not copied)");
    }
    void showNoText() override { shown << QStringLiteral("<none>"); }
    QStringList shown;
};

// Two displays: primary 1920×1080 at 1×, a 2× one of 1000×500 points to its right.
struct Fixture : DeliveryFixture {
    FakePermission permission;
    FakeCaptureService service;
    FakeScreens screens;
    FakeSelector selector;
    FakeScrollRunner scrollRunner;
    FakePicker picker;
    FakeKeyboardGrab keyboard;
    FakeRoles roles;
    FakeTextReader textReader;
    FakeTextPresenter textPresenter;
    CaptureFlows::Services services() {
        return {permission, settings, service, screens, delivery, preview, alerts, scheduler};
    }
    CaptureFlows flows{services(),
                       {&selector, &scrollRunner, &picker, &keyboard, &roles, &textReader,
                        &textPresenter, &clipboard}};

    Fixture() {
        service.addDisplay(7, {1920, 1080}, Qt::red);
        service.addDisplay(9, {2000, 1000}, Qt::blue);
        // y down; the second one's bottom edge is 580 points above the primary's.
        screens.list = {{7, {}, QRectF(0, 0, 1920, 1080), {}, 1.0},
                        {9, {}, QRectF(1920, 0, 1000, 500), {}, 2.0}};
        makeSaveFolder();
    }
};

}  // namespace

TEST(CaptureFlows, FullScreenDeliversEveryDisplayInOrderWithItsScaleAndDropsOtherTriggers) {
    Fixture f;
    f.flows.startFullScreenCapture();
    EXPECT_TRUE(f.flows.captureFlowActive());
    f.flows.startFullScreenCapture();
    f.flows.startRegionCapture();
    f.flows.startScrollingCapture();  // no scrolling capture runs yet: dropped too
    f.scheduler.runUntilIdle();

    EXPECT_FALSE(f.flows.captureFlowActive());
    EXPECT_EQ(f.service.listings, 1);
    EXPECT_EQ(f.service.captured, (std::vector<std::uint32_t>{7, 9}));
    ASSERT_EQ(f.savedFiles().size(), 2);
    const QImage second(f.home.filePath("Shots/Screenshot 2024-03-05 at 14.07.09.123 (2).png"));
    EXPECT_EQ(second.size(), QSize(2000, 1000));
    EXPECT_EQ(second.dotsPerMeterX(), 5669);
    EXPECT_EQ(f.preview.dismissals, std::vector<bool>{false});
    EXPECT_TRUE(f.alerts.shown.empty());
}

TEST(CaptureFlows, CaptureFailuresAbandonEverythingAndAlertInTheirOrder) {
    struct Row {
        const char* name;
        std::function<void(Fixture&)> arrange;
        void (CaptureFlows::*start)();
        QString text;
        bool activeDuringAlert;  // full-screen failures hold the flow until the alert is gone
    };
    const CaptureError lost{CaptureError::Kind::ServerGone, {}};
    const QString none = "No display found to capture.";
    auto fails = [&](std::uint32_t id) {
        return [&, id](Fixture& f) { f.service.failures.emplace(id, lost); };
    };
    const auto noDisplay = [](Fixture& f) { f.service.displays.clear(); };
    const auto noListing = [&](Fixture& f) { f.service.listingError = lost; };
    const Row rows[] = {
        {"full screen, second display fails", fails(9), &CaptureFlows::startFullScreenCapture,
         lost.description(), true},
        {"full screen, no display", noDisplay, &CaptureFlows::startFullScreenCapture, none, true},
        {"full screen, listing fails", noListing, &CaptureFlows::startFullScreenCapture,
         lost.description(), true},
        {"area snapshots fail", fails(7), &CaptureFlows::startRegionCapture, lost.description(),
         false},
        {"scrolling, no display", noDisplay, &CaptureFlows::startScrollingCapture, none, false},
        {"window listing fails", noListing, &CaptureFlows::startWindowCapture, lost.description(),
         false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Fixture f;
        row.arrange(f);
        std::optional<bool> activeAtAlert;
        int screenHeldAtAlert = -1;
        f.alerts.onShow = [&] {
            activeAtAlert = f.flows.captureFlowActive();
            screenHeldAtAlert = f.roles.held;  // a held screen would hide the alert
        };

        (f.flows.*row.start)();
        f.scheduler.runUntilIdle();

        ASSERT_EQ(f.alerts.shown.size(), 1u);
        EXPECT_EQ(f.alerts.shown[0].message, "Could Not Capture the Screen");
        EXPECT_EQ(f.alerts.shown[0].text, row.text);
        EXPECT_EQ(activeAtAlert, row.activeDuringAlert);
        EXPECT_EQ(screenHeldAtAlert, 0);
        EXPECT_FALSE(f.flows.captureFlowActive());
        EXPECT_TRUE(f.savedFiles().isEmpty());
        EXPECT_EQ(f.clipboard.writes, 0);
        EXPECT_TRUE(f.preview.shown.empty());
    }
}

TEST(CaptureFlows, AlertOfADeliveryKeepsTheFlowActive) {
    Fixture f;
    QDir(f.home.filePath("Shots")).mkdir("Screenshot 2024-03-05 at 14.07.09.123.png");
    f.alerts.onShow = [&] { f.flows.startFullScreenCapture(); };  // pressed while the alert is up
    f.flows.startFullScreenCapture();
    f.scheduler.runUntilIdle();
    EXPECT_EQ(f.service.listings, 1);
    EXPECT_FALSE(f.flows.captureFlowActive());
}

TEST(CaptureFlows, MenuCommandsWaitAndThenPassTheGuard) {
    Fixture f;
    f.flows.captureFullScreenDelayed();
    f.flows.captureFullScreenFromMenu();
    f.scheduler.advance(399ms);
    EXPECT_EQ(f.service.listings, 0);
    f.scheduler.advance(1ms);
    EXPECT_EQ(f.service.listings, 1);
    // An area overlay open when the five seconds end: the delayed capture is dropped, and
    // says so, as the command that asked for it has long returned.
    f.flows.startRegionCapture();
    testing::internal::CaptureStderr();
    f.scheduler.advance(4600ms);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "moxilane: the delayed full-screen capture was not taken: another capture was in "
              "progress\n");
    EXPECT_EQ(f.service.listings, 2);  // the snapshots only
    EXPECT_TRUE(f.flows.captureFlowActive());
    f.selector.finish(std::nullopt);
    EXPECT_FALSE(f.flows.captureFlowActive());
}

TEST(CaptureFlows, CommandsAreAnsweredBusyWhileAFlowIsActiveButScrollFinishesItsOwn) {
    using A = CaptureFlows::CommandAnswer;
    using C = CaptureCommand;
    enum class Running { nothing, area, scrolling };
    struct Row {
        const char* name;
        Running running;
        C command;
        A answer;
    };
    const Row rows[] = {
        {"idle area", Running::nothing, C::Area, A::Started},
        {"idle delayed", Running::nothing, C::ScreenDelayed, A::Started},
        {"idle scroll", Running::nothing, C::Scroll, A::Started},
        {"area over area", Running::area, C::Area, A::Busy},
        {"window over area", Running::area, C::Window, A::Busy},
        {"screen over area", Running::area, C::Screen, A::Busy},
        {"delayed over area", Running::area, C::ScreenDelayed, A::Busy},
        {"scroll over area", Running::area, C::Scroll, A::Busy},
        {"scroll over its selection", Running::scrolling, C::Scroll, A::Busy},
        {"delayed over scrolling", Running::scrolling, C::ScreenDelayed, A::Busy},
        {"idle text", Running::nothing, C::Text, A::Started},
        {"text over area", Running::area, C::Text, A::Busy},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Fixture f;
        if (row.running == Running::area) f.flows.startRegionCapture();
        if (row.running == Running::scrolling) f.flows.startScrollingCapture();
        f.scheduler.runUntilIdle();
        EXPECT_EQ(f.flows.answerCommand(row.command), row.answer);
    }
    // Sampling: the command ends the scrolling capture.
    Fixture f;
    f.flows.startScrollingCapture();
    f.scheduler.runUntilIdle();
    f.selector.finish(RegionSelection{QRectF(10, 10, 300, 300), f.screens.screens()[0]});
    f.scheduler.advance(CaptureFlows::kAfterSelectionDelay);
    ASSERT_TRUE(f.scrollRunner.isRunning());
    EXPECT_EQ(f.flows.answerCommand(C::Scroll), A::Finished);
    EXPECT_EQ(f.flows.answerCommand(C::Area), A::Busy);
    EXPECT_EQ(CaptureFlows::commandReply(A::Finished), "finished");
}

// The keyboard and the screen are held from before the snapshots until the overlay closes.
TEST(CaptureFlows, AnEscBeforeTheOverlayShowsCancelsTheSelection) {
    enum class Kind { area, window, scrolling };
    struct Row {
        const char* name;
        Kind kind;
        bool heldElsewhere, escape, overlayShown;
    };
    const Row rows[] = {
        {"area, Esc early", Kind::area, false, true, false},
        {"window, Esc early", Kind::window, false, true, false},
        {"scrolling, Esc early", Kind::scrolling, false, true, false},
        {"area, no Esc", Kind::area, false, false, true},
        {"window, keyboard held elsewhere", Kind::window, true, true, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Fixture f;
        f.keyboard.heldElsewhere = row.heldElsewhere;
        if (row.kind == Kind::window) f.flows.startWindowCapture();
        if (row.kind == Kind::area) f.flows.startRegionCapture();
        if (row.kind == Kind::scrolling) f.flows.startScrollingCapture();
        EXPECT_EQ(f.keyboard.held, row.heldElsewhere ? 0 : 1);  // before the snapshots
        EXPECT_EQ(f.roles.held, 1);
        f.keyboard.escape = row.escape;
        f.scheduler.runUntilIdle();
        EXPECT_EQ(f.roles.held, row.overlayShown ? 1 : 0);
        const bool shown =
            row.kind == Kind::window ? bool(f.picker.completion) : bool(f.selector.completion);
        EXPECT_EQ(shown, row.overlayShown);
        EXPECT_EQ(f.flows.captureFlowActive(), row.overlayShown);
        if (row.kind == Kind::window && shown) f.picker.pick(std::nullopt);
        if (row.kind != Kind::window && shown) f.selector.finish(std::nullopt);
        EXPECT_EQ(f.keyboard.held, 0);
        EXPECT_EQ(f.roles.held, 0);
        EXPECT_FALSE(f.flows.captureFlowActive());
        EXPECT_TRUE(f.preview.shown.empty());
    }
}

TEST(CaptureFlows, MissingPermissionAsksAndFromTheSecondTimeOpensSettings) {
    Fixture f;
    f.permission.granted = false;
    for (int attempt = 1; attempt <= 3; ++attempt) {
        f.flows.startFullScreenCapture();
        f.scheduler.runUntilIdle();
        EXPECT_EQ(f.permission.requests, attempt);
        EXPECT_EQ(f.permission.settingsOpened, attempt - 1);
    }
    EXPECT_TRUE(f.settings.didRequestScreenRecording());
    EXPECT_EQ(f.service.listings, 0);
    EXPECT_FALSE(f.flows.captureFlowActive());
    EXPECT_TRUE(f.preview.dismissals.empty());
}

// Also a window where the service lists none: it is picked as an area, with a hint saying so.
TEST(CaptureFlows, AreaIsCutFromTheFrozenSnapshotOfItsScreen) {
    struct Row {
        const char* name;
        std::optional<RegionSelection> selection;
        std::optional<QSize> delivered;
    };
    const ScreenInfo right{9, QRectF(1920, 580, 1000, 500), 2.0};
    const Row rows[] = {
        {"on the 2× screen", RegionSelection{QRectF(1930, 600, 300, 100), right}, QSize(600, 200)},
        {"cancelled", std::nullopt, std::nullopt},
        {"too thin to cut", RegionSelection{QRectF(1930, 600, 0.4, 10), right}, std::nullopt},
        {"unknown screen", RegionSelection{QRectF(0, 0, 10, 10), ScreenInfo{5, {}, 1.0}},
         std::nullopt},
    };
    for (const bool window : {false, true})
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.name) + (window ? ", a window's area" : ""));
            Fixture f;
            f.service.listsWindowsToo = !window;
            window ? f.flows.startWindowCapture() : f.flows.startRegionCapture();
            f.scheduler.runUntilIdle();
            EXPECT_EQ(f.selector.lastHint,
                      window ? std::optional<QString>("Select the window's area") : std::nullopt);
            EXPECT_TRUE(f.picker.offered.empty());
            EXPECT_EQ(f.selector.shownSnapshots.size(), 2u);
            f.service.pictures[9].fill(Qt::green);  // the screen changes after the snapshot
            f.selector.finish(row.selection);
            f.scheduler.runUntilIdle();

            EXPECT_FALSE(f.flows.captureFlowActive());
            EXPECT_TRUE(f.alerts.shown.empty());
            ASSERT_EQ(f.preview.shown.size(), row.delivered ? 1u : 0u);
            if (row.delivered) {
                EXPECT_EQ(f.preview.shown[0].image.size(), *row.delivered);
                EXPECT_EQ(f.preview.shown[0].image.pixelColor(0, 0), QColor(Qt::blue));
                EXPECT_EQ(f.preview.shown[0].scale, 2.0);
            }
        }
}

TEST(CaptureFlows, ScrollingSelectionMustBe120DevicePixelsHigh) {
    const ScreenInfo right{9, QRectF(1920, 580, 1000, 500), 2.0};
    for (double heightPt : {60.0, 59.5}) {
        SCOPED_TRACE(heightPt);
        Fixture f;
        f.flows.startScrollingCapture();
        f.scheduler.runUntilIdle();
        EXPECT_EQ(f.selector.lastHint,
                  "Select only the visible part — you'll scroll through the rest afterwards");
        std::optional<bool> activeAtAlert;
        int screenHeldAtAlert = -1;
        f.alerts.onShow = [&] {
            activeAtAlert = f.flows.captureFlowActive();
            screenHeldAtAlert = f.roles.held;  // a held screen would hide the alert
        };
        f.selector.finish(RegionSelection{QRectF(1930, 600, 300, heightPt), right});
        f.scheduler.advance(149ms);
        EXPECT_TRUE(f.scrollRunner.started.empty());
        f.scheduler.advance(1ms);

        if (heightPt == 60.0) {
            ASSERT_EQ(f.scrollRunner.started.size(), 1u);
            EXPECT_TRUE(f.flows.captureFlowActive());
            // The scrolling shortcut again finishes it and delivers the stitched image.
            f.flows.startScrollingCapture();
            f.scheduler.runUntilIdle();
            EXPECT_FALSE(f.flows.captureFlowActive());
            ASSERT_EQ(f.preview.shown.size(), 1u);
            EXPECT_EQ(f.preview.shown[0].scale, 2.0);
        } else {
            EXPECT_TRUE(f.scrollRunner.started.empty());
            ASSERT_EQ(f.alerts.shown.size(), 1u);
            EXPECT_EQ(f.alerts.shown[0].message, "Selection Too Short");
            EXPECT_EQ(f.alerts.shown[0].text, "Select a taller area for a scrolling capture.");
            EXPECT_EQ(activeAtAlert, false);
        }
    }
}

// Where the desktop's own picker chooses, its picture is delivered at the primary's scale;
// a cancel ends the flow with nothing, a failure with the capture alert.
TEST(CaptureFlows, DesktopPickedWindowGoesThroughDelivery) {
    QImage window(300, 200, QImage::Format_RGB32);
    window.fill(Qt::green);
    using Pick = std::expected<std::optional<QImage>, CaptureError>;
    const struct {
        const char* name;
        Pick pick;
        int saved;
        int alerts;
    } rows[] = {
        {"picked", Pick(window), 1, 0},
        {"cancelled", Pick(std::nullopt), 0, 0},
        {"refused", std::unexpected(CaptureError{CaptureError::Kind::Refused, "no portal"}), 0, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Fixture f;
        f.service.desktopPick = row.pick;
        f.flows.startWindowCapture();
        f.scheduler.runUntilIdle();
        EXPECT_FALSE(f.flows.captureFlowActive());
        EXPECT_FALSE(f.picker.completion);
        EXPECT_FALSE(f.selector.completion);
        EXPECT_EQ(f.savedFiles().size(), row.saved);
        EXPECT_EQ(f.alerts.shown.size(), std::size_t(row.alerts));
        if (row.saved) {
            EXPECT_EQ(QImage(f.home.filePath("Shots/" + f.savedFiles()[0])).size(),
                      QSize(300, 200));
        }
    }
}

TEST(CaptureFlows, PickedWindowIsCapturedAloneAfterThePickerWithTheShadowSetting) {
    struct Row {
        const char* name;
        bool pick;
        bool shadow;
        QRectF frame;                    // points from the primary's top left, y down
        std::optional<QSize> delivered;  // none when picked: closed before the capture
        double scale;
        // Where the service cannot see covered windows: the frame, and the frozen colour.
        std::optional<QRect> frozenFrameDevice = std::nullopt;
        QColor frozenColour = {};
    };
    const Row rows[] = {
        {"with shadow", true, true, {100, 100, 300, 200}, QSize(380, 280), 1.0},
        {"without shadow", true, false, {100, 100, 300, 200}, QSize(300, 200), 1.0},
        {"on the 2× screen", true, true, {2000, 50, 150, 100}, QSize(460, 360), 2.0},
        {"closed meanwhile", true, true, {100, 100, 300, 200}, std::nullopt, 1.0},
        {"cancelled", false, true, {100, 100, 300, 200}, std::nullopt, 1.0},
        {"cut from the frozen screen",
         true,
         false,
         {100, 100, 300, 200},
         QSize(300, 200),
         1.0,
         QRect(100, 100, 300, 200),
         Qt::red},
        {"cut with shadow",
         true,
         true,
         {100, 100, 300, 200},
         QSize(380, 280),
         1.0,
         QRect(100, 100, 300, 200),
         Qt::red},
        {"cut, clipped to its 2× display",
         true,
         false,
         {1900, 50, 150, 100},
         QSize(260, 200),
         2.0,
         QRect(3800, 100, 300, 200),
         Qt::blue},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Fixture f;
        f.settings.setWindowShadow(row.shadow);
        WindowInfo window;
        std::tie(window.windowID, window.frame, window.isOnScreen) =
            std::tuple(77, row.frame, true);
        const bool gone = row.pick && !row.delivered;
        const bool frozen = row.frozenFrameDevice.has_value();
        f.service.seesCoveredWindows = !frozen;
        f.service.displays[1].areaDevice = QRect(3840, 0, 2000, 1000);
        window.frameDevice = row.frozenFrameDevice.value_or(QRect());
        f.service.windows = {window};
        if (!gone) f.service.windowPictures[77] = solid({300, 200}, Qt::yellow);
        f.flows.startWindowCapture();
        f.scheduler.runUntilIdle();
        ASSERT_EQ(f.picker.offered.size(), 1u);
        EXPECT_EQ(f.picker.shownSnapshots.size(), 2u);
        for (auto& [id, picture] : f.service.pictures)
            picture.fill(Qt::green);   // the screens change after the picker froze them
        f.flows.startRegionCapture();  // a second trigger while the picker is up
        std::optional<bool> activeAtAlert;
        int screenHeldAtAlert = -1;
        f.alerts.onShow = [&] {
            activeAtAlert = f.flows.captureFlowActive();
            screenHeldAtAlert = f.roles.held;  // a held screen would hide the alert
        };

        f.picker.pick(row.pick ? std::optional(window) : std::nullopt);
        f.scheduler.advance(149ms);
        EXPECT_TRUE(f.service.capturedWindows.empty());  // the picker leaves the screen first
        f.scheduler.advance(1ms);

        EXPECT_FALSE(f.flows.captureFlowActive());
        EXPECT_EQ(f.service.listings, 1);
        EXPECT_EQ(f.service.capturedWindows.size(), row.pick && !frozen ? 1u : 0u);
        ASSERT_EQ(f.preview.shown.size(), row.delivered ? 1u : 0u);
        if (row.delivered) {
            EXPECT_EQ(f.preview.shown[0].image.size(), *row.delivered);
            EXPECT_EQ(f.preview.shown[0].scale, row.scale);
            if (frozen) {
                const QImage& image = f.preview.shown[0].image;
                EXPECT_EQ(image.pixelColor(image.width() / 2, image.height() / 2),
                          row.frozenColour);
            }
        }
        EXPECT_EQ(f.savedFiles().size(), row.delivered ? 1 : 0);
        if (gone) {
            ASSERT_EQ(f.alerts.shown.size(), 1u);
            EXPECT_EQ(f.alerts.shown[0].message, "Could Not Capture the Screen");
            EXPECT_EQ(activeAtAlert, true);  // the alert comes before the flow ends
        } else {
            EXPECT_TRUE(f.alerts.shown.empty());
        }
    }
}

TEST(CaptureFlows, TextGoesToTheClipboardAndTheCommandWithItsExitStatus) {
    using K = TextOutcome::Kind;
    enum class Step { select, escape, busy, newCapture };
    struct Row {
        const char* name;
        Step step;
        std::expected<QString, TextReadError> read;
        K kind;
        int exitStatus;
        QString clipboard, shown, alert;
        bool copyRefused = false;
    };
    const TextReadError tooLarge{TextReadError::Kind::TooLarge,
                                 "The area is too large to read text from."};
    const Row rows[] = {
        {"text", Step::select, "Hello\nworld", K::Text, 0, "Hello\nworld", "Hello\nworld", {}},
        {"copy refused", Step::select, "Hi", K::Text, 0, {}, "Hi (not copied)", {}, true},
        {"nothing found", Step::select, QString(), K::NoText, 3, {}, "<none>", {}},
        {"Esc", Step::escape, "unused", K::Cancelled, 4, {}, {}, {}},
        {"a new capture stops the reading", Step::newCapture, "late", K::Cancelled, 4, {}, {}, {}},
        {"too large",
         Step::select,
         std::unexpected(tooLarge),
         K::Failed,
         1,
         {},
         {},
         tooLarge.message},
        {"another capture runs", Step::busy, "unused", K::Failed, 1, {}, {}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Fixture f;
        f.textReader.result = row.read;
        f.clipboard.refuses = row.copyRefused;
        std::vector<TextOutcome> outcomes;
        if (row.step == Step::busy) f.flows.startRegionCapture();
        f.flows.captureTextFor([&](const TextOutcome& o) { outcomes.push_back(o); });
        f.scheduler.runUntilIdle();
        if (row.step != Step::busy) {
            EXPECT_EQ(f.selector.lastHint, "Select the text to copy");
            // 100 × 50 points on the 2× display: read in device pixels.
            f.selector.finish(row.step == Step::escape
                                  ? std::nullopt
                                  : std::optional(RegionSelection{QRectF(1950, 600, 100, 50),
                                                                  f.screens.screens()[1]}));
        }
        if (row.step == Step::newCapture) f.flows.startFullScreenCapture();
        f.scheduler.runUntilIdle();

        ASSERT_EQ(outcomes.size(), 1u);
        EXPECT_EQ(outcomes[0].kind, row.kind);
        // The reply that carries it to the command line keeps the text and the status.
        const TextOutcome heard = TextOutcome::fromReply(outcomes[0].reply());
        EXPECT_EQ(heard.kind, row.kind);
        EXPECT_EQ(heard.exitStatus(), row.exitStatus);
        if (row.kind == K::Text) {
            EXPECT_EQ(heard.detail, row.read.value());
        }
        EXPECT_EQ(f.clipboard.text, row.clipboard);
        EXPECT_EQ(f.textPresenter.shown.join(""), row.shown);
        EXPECT_EQ(f.alerts.shown.empty() ? QString() : f.alerts.shown.back().text, row.alert);
        if (row.step == Step::select) {
            EXPECT_EQ(f.textReader.sizes, std::vector{QSize(200, 100)});
        }
        // The capture that stopped the reading went ahead.
        if (row.step == Step::newCapture) {
            EXPECT_EQ(f.savedFiles().size(), 2);
        }
    }
    EXPECT_EQ(TextOutcome::fromReply("busy").exitStatus(), 1);
}

TEST(CaptureFlows, CaptureBuffersGoTwoMinutesAfterTheLastFlowEndedNotWhileOneRuns) {
    Fixture f;
    f.flows.prepareCaptures();  // at start: an agent never used lets them go too
    f.scheduler.advance(CaptureFlows::kCaptureBuffersIdle);
    EXPECT_EQ(f.service.bufferReleases, 1);
    f.service.bufferReleases = 0;
    f.flows.startFullScreenCapture();
    f.scheduler.advance(CaptureFlows::kCaptureBuffersIdle - 1s);
    f.flows.startRegionCapture();  // the overlay stays open past the first two minutes
    f.scheduler.advance(CaptureFlows::kCaptureBuffersIdle + 1s);
    EXPECT_EQ(f.service.bufferReleases, 0);
    f.selector.finish(std::nullopt);
    f.scheduler.advance(CaptureFlows::kCaptureBuffersIdle - 1s);
    EXPECT_EQ(f.service.bufferReleases, 0);
    f.scheduler.advance(1s);
    EXPECT_EQ(f.service.bufferReleases, 1);
}

TEST(CaptureFlows, TheTextEngineIsFreedAfterAMinuteUnused) {
    Fixture f;
    const auto readOnce = [&f] {
        f.flows.startTextCapture();
        f.scheduler.runUntilIdle();
        f.selector.finish(RegionSelection{QRectF(10, 10, 100, 50), f.screens.screens()[0]});
        f.scheduler.runUntilIdle();
    };
    readOnce();
    f.scheduler.advance(CaptureFlows::kTextEngineIdle - 1s);
    readOnce();  // used again: the first minute's end keeps it
    f.scheduler.advance(1s);
    EXPECT_EQ(f.textReader.releases, 0);
    f.scheduler.advance(CaptureFlows::kTextEngineIdle);
    EXPECT_EQ(f.textReader.releases, 1);
}
