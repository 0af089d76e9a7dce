#include "Agent.h"
#include "TestImages.h"

#include <gtest/gtest.h>

using namespace moxilane::test;
using namespace std::chrono_literals;

namespace {

// Opens the area overlay and drags from one corner to the other (root device pixels);
// whileUp runs once the overlays are shown.
bool dragArea(XSession& session, QPoint from, QPoint to, int overlays,
              const std::function<void()>& whileUp = {}) {
    if (!session.openOverlays("ctrl+shift+1", from, overlays)) return false;
    if (whileUp) whileUp();
    session.drag(from, to);
    return true;
}

}  // namespace

// Monitors left of, above and below the primary: global y runs both ways from it.
TEST(AreaCapture, DragCutsTheScreenAsItWasWhenTheKeyWasPressedOnEveryMonitor) {
    XSession session({1600, 1800}, {{"PRIMARY", {800, 600, 800, 600}, true},
                                    {"LEFT", {0, 600, 800, 600}},
                                    {"ABOVE", {800, 0, 800, 600}},
                                    {"BELOW", {800, 1200, 800, 600}}});
    ASSERT_TRUE(session.isReady());
    const QImage screen = pattern({1600, 1800});
    const QImage changed = pattern({1600, 1800}, 99);
    Agent agent(session);
    ASSERT_TRUE(agent.waitUntilReady());

    struct Row {
        const char* name;
        QPoint from, to;  // a reverse drag on one monitor
        QRect area;       // what it selects
    };
    const Row rows[] = {
        {"primary", {1500, 1100}, {900, 700}, {900, 700, 600, 400}},
        {"below", {850, 1250}, {1190, 1510}, {850, 1250, 340, 260}},
        {"above", {1000, 100}, {1321, 222}, {1000, 100, 321, 122}},
        {"left", {10, 650}, {790, 1190}, {10, 650, 780, 540}},
        // The pointer cannot pass the last pixel: an edge there is the monitor's edge.
        {"primary, corner to corner", {800, 600}, {1599, 1199}, {800, 600, 800, 600}},
        {"left, corner to corner back", {799, 1199}, {0, 600}, {0, 600, 800, 600}},
    };
    int files = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(session.paintRoot(screen));
        ASSERT_TRUE(dragArea(session, row.from, row.to, 4, [&] {
            session.paintRoot(changed);
            // The overlays lie in the layer that holds the screen, which is let go after.
            EXPECT_EQ(session.shownOverlaysOnRoot(), 0);
        }));
        ASSERT_TRUE(agent.waitForFiles(++files));
        EXPECT_TRUE(session.overlaysGone());
    }
    ASSERT_EQ(agent.savedFiles().size(), std::size(rows));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].name);
        const QImage saved = loadOpaque(agent.saved(int(i)));
        EXPECT_EQ(saved.size(), rows[i].area.size());
        EXPECT_TRUE(saved == screen.copy(rows[i].area));
    }
}

// The full screen too: its pixels stay native and the scale is recorded (144 per inch).
TEST(AreaCapture, DoubleScaleGivesDevicePixelsAndRecordsTheScaleAsTheFullScreenDoes) {
    XSession session({1600, 900}, {{"MAIN", {0, 0, 1600, 900}, true}});
    const QImage screen = pattern({1600, 900});
    ASSERT_TRUE(session.isReady() && session.paintRoot(screen));
    Agent agent(session, Agent::scaleTwo());
    ASSERT_TRUE(agent.waitUntilReady());

    // 250 × 150 points: 500 × 300 pixels.
    ASSERT_TRUE(dragArea(session, {200, 100}, {700, 400}, 1));
    ASSERT_TRUE(agent.waitForFiles(1));
    EXPECT_TRUE(loadOpaque(agent.saved()) == screen.copy(200, 100, 500, 300));
    EXPECT_EQ(QImage(agent.saved()).dotsPerMeterX(), 5669);
    ASSERT_TRUE(session.overlaysGone());
    ASSERT_TRUE(session.pressKeys("ctrl+shift+3"));
    ASSERT_TRUE(agent.waitForFiles(2));
    EXPECT_TRUE(loadOpaque(agent.saved(-1)) == screen);
    EXPECT_EQ(QImage(agent.saved(-1)).dotsPerMeterX(), 5669);
    // From the last pixel to the first: the whole screen, as the full screen has it.
    ASSERT_TRUE(dragArea(session, {1599, 899}, {0, 0}, 1));
    ASSERT_TRUE(agent.waitForFiles(3));
    EXPECT_EQ(loadOpaque(agent.saved(-1)).size(), QSize(1600, 900));
    EXPECT_TRUE(loadOpaque(agent.saved(-1)) == screen);
}

// A compositing manager's layer is its own: the overlay is then a window on the root that
// paints the whole picture, dimmed the same, and cuts the same pixels.
TEST(AreaCapture, UnderACompositingManagerTheOverlayIsAWindowOfItsOwn) {
    XSession session({800, 600});
    const QImage screen = pattern({800, 600});
    ASSERT_TRUE(session.isReady() && session.paintRoot(screen));
    ASSERT_TRUE(session.claimSelection("_NET_WM_CM_S0"));
    Agent agent(session);
    ASSERT_TRUE(agent.waitUntilReady());

    ASSERT_TRUE(session.openOverlays("ctrl+shift+1", {100, 100}, 1));
    EXPECT_EQ(session.shownOverlaysOnRoot(), 1);
    const QByteArray shown = session.pixelsAround({100, 100});
    ASSERT_EQ(shown.size(), 16);
    const QRgb under = screen.pixel(98, 98);
    const auto dimmed = [](int v) { return std::uint8_t((v * 191 + 127) / 255); };
    EXPECT_EQ(std::uint8_t(shown[0]), dimmed(qBlue(under)));
    EXPECT_EQ(std::uint8_t(shown[1]), dimmed(qGreen(under)));
    EXPECT_EQ(std::uint8_t(shown[2]), dimmed(qRed(under)));
    session.paintRoot(pattern({800, 600}, 99));
    session.drag({100, 100}, {300, 250});
    ASSERT_TRUE(agent.waitForFiles(1));
    EXPECT_TRUE(loadOpaque(agent.saved()) == screen.copy(100, 100, 200, 150));
}

TEST(AreaCapture, EscClickOrAMonitorGoingAwayCancelAndTheNextKeyWorks) {
    XSession session({1600, 600},
                     {{"LEFT", {0, 0, 800, 600}, true}, {"RIGHT", {800, 0, 800, 600}}});
    ASSERT_TRUE(session.isReady() && session.paintRoot(pattern({1600, 600})));
    Agent agent(session);
    ASSERT_TRUE(agent.waitUntilReady());

    auto openOverlay = [&](int n) {
        return session.openOverlays("ctrl+shift+1", {300, 300}, n, true);
    };
    // Esc right behind the shortcut, before the overlay could show: it cancels, and
    // nothing comes up.
    for (const char* shortcut : {"ctrl+shift+1", "ctrl+shift+2"}) {
        SCOPED_TRACE(shortcut);
        session.movePointer({300, 300});
        ASSERT_TRUE(session.pressKeys(shortcut) && session.pressKeys("Escape"));
        EXPECT_FALSE(waitUntil([&] { return session.shownOverlays() > 0; }, 1500ms));
    }

    ASSERT_TRUE(openOverlay(2));
    ASSERT_TRUE(session.pressKeys("Escape"));
    EXPECT_TRUE(session.overlaysGone());
    session.pressKeys("Escape");  // a second Esc reaches nothing of ours

    ASSERT_TRUE(openOverlay(2));
    session.click({300, 300});
    EXPECT_TRUE(session.overlaysGone());

    ASSERT_TRUE(openOverlay(2));
    session.run("xrandr", {"--delmonitor", "RIGHT"});
    EXPECT_TRUE(session.overlaysGone());
    // The drag that follows reaches the desktop, not a capture of a screen that is gone.
    session.drag({100, 100}, {400, 400});

    ASSERT_TRUE(session.pressKeys("ctrl+shift+3"));
    ASSERT_TRUE(agent.waitForFiles(1));
    ASSERT_EQ(agent.savedFiles().size(), 1);  // no area was captured before it
    EXPECT_EQ(loadOpaque(agent.saved()).size(), QSize(800, 600));
    // The file comes before the capture has ended; a key before its thumbnail is ignored.
    ASSERT_TRUE(waitUntil([&] { return !session.findWindow("^Moxilane Thumbnail$").isEmpty(); }));
    // The overlay covers the monitors as they are now.
    ASSERT_TRUE(dragArea(session, {100, 100}, {300, 250}, 1));
    ASSERT_TRUE(agent.waitForFiles(2));
    EXPECT_TRUE(loadOpaque(agent.saved(-1)) == pattern({1600, 600}).copy(100, 100, 200, 150));
}

TEST(AreaCapture, KeyboardHeldByAnotherProgramIsTakenOnceItLetsGo) {
    XSession session({800, 600});
    ASSERT_TRUE(session.isReady() && session.paintRoot(pattern({800, 600})));
    Agent agent(session);
    ASSERT_TRUE(agent.waitUntilReady());

    // Another program holds the keyboard as the selection starts, so the shortcut cannot
    // reach us: the command line asks instead.
    session.movePointer({400, 300});
    ASSERT_TRUE(session.grabKeyboard());
    ASSERT_TRUE(session.run(MOXILANE_BINARY, {"area"}));
    ASSERT_TRUE(waitUntil([&] { return session.shownOverlays() == 1; }));
    session.ungrabKeyboard();
    // The overlay takes the keyboard within its retry period; until then a grab of ours
    // would succeed, so take it and give it back until it is refused.
    ASSERT_TRUE(waitUntil([&] { return session.isKeyboardGrabbedElsewhere(); }));
    ASSERT_TRUE(session.pressKeys("Escape"));
    EXPECT_TRUE(session.overlaysGone());
    EXPECT_TRUE(agent.savedFiles().isEmpty());
}
