#include "Agent.h"
#include "TestImages.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace moxilane::test;

namespace {

// Opens the area overlay and drags from one corner to the other (root device pixels);
// whileUp runs once the overlays are shown.
bool dragArea(XSession& session, QPoint from, QPoint to, int overlays,
              const std::function<void()>& whileUp = {}) {
    session.movePointer(from);
    if (!session.pressKeys("ctrl+shift+1")) return false;
    if (!waitUntil([&] { return session.shownOverlays() == overlays; })) return false;
    if (whileUp) whileUp();
    session.pressButton(from);
    session.movePointer((from + to) / 2);
    session.releaseButton(to);
    return true;
}

// The area a drag between two points selects, whichever way it went.
QRect spanned(QPoint a, QPoint b) {
    return QRect(std::min(a.x(), b.x()), std::min(a.y(), b.y()), std::abs(a.x() - b.x()),
                 std::abs(a.y() - b.y()));
}

bool overlaysGone(XSession& session) {
    return waitUntil([&] { return session.shownOverlays() == 0; });
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
    };
    const Row rows[] = {{"primary", {1500, 1100}, {900, 700}},
                        {"below", {850, 1250}, {1190, 1510}},
                        {"above", {1000, 100}, {1321, 222}},
                        {"left", {10, 650}, {790, 1190}}};
    int files = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(session.paintRoot(screen));
        ASSERT_TRUE(dragArea(session, row.from, row.to, 4, [&] { session.paintRoot(changed); }));
        ASSERT_TRUE(agent.waitForFiles(++files));
        EXPECT_TRUE(overlaysGone(session));
    }
    const QStringList names = agent.savedFiles();
    ASSERT_EQ(names.size(), 4);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(rows[i].name);
        const QRect area = spanned(rows[i].from, rows[i].to);
        EXPECT_TRUE(loadOpaque(agent.saveFolder + "/" + names[i]) == screen.copy(area));
    }
}

TEST(AreaCapture, DoubleScaleGivesDevicePixelsAndRecordsTheScale) {
    XSession session({1600, 900}, {{"MAIN", {0, 0, 1600, 900}, true}});
    ASSERT_TRUE(session.isReady());
    const QImage screen = pattern({1600, 900});
    ASSERT_TRUE(session.paintRoot(screen));
    QProcessEnvironment env;
    env.insert("QT_SCALE_FACTOR", "2");
    Agent agent(session, env);
    ASSERT_TRUE(agent.waitUntilReady());

    // 250 × 150 points: 500 × 300 pixels.
    ASSERT_TRUE(dragArea(session, {200, 100}, {700, 400}, 1));
    ASSERT_TRUE(agent.waitForFiles(1));
    const QString path = agent.saveFolder + "/" + agent.savedFiles().front();
    EXPECT_TRUE(loadOpaque(path) == screen.copy(200, 100, 500, 300));
    EXPECT_EQ(QImage(path).dotsPerMeterX(), 5669);
}

TEST(AreaCapture, EscClickOrAMonitorGoingAwayCancelAndTheNextKeyWorks) {
    XSession session({1600, 600},
                     {{"LEFT", {0, 0, 800, 600}, true}, {"RIGHT", {800, 0, 800, 600}}});
    ASSERT_TRUE(session.isReady());
    ASSERT_TRUE(session.paintRoot(pattern({1600, 600})));
    Agent agent(session);
    ASSERT_TRUE(agent.waitUntilReady());

    auto openOverlay = [&](int overlays) {
        session.movePointer({300, 300});
        // Keys reach the overlay once it holds the keyboard, just after it shows.
        return session.pressKeys("ctrl+shift+1") &&
               waitUntil([&] { return session.shownOverlays() == overlays; }) &&
               waitUntil([&] { return session.isKeyboardGrabbedElsewhere(); });
    };
    ASSERT_TRUE(openOverlay(2));
    ASSERT_TRUE(session.pressKeys("Escape"));
    EXPECT_TRUE(overlaysGone(session));
    session.pressKeys("Escape");  // a second Esc reaches nothing of ours

    ASSERT_TRUE(openOverlay(2));
    session.click({300, 300});
    EXPECT_TRUE(overlaysGone(session));

    ASSERT_TRUE(openOverlay(2));
    session.run("xrandr", {"--delmonitor", "RIGHT"});
    EXPECT_TRUE(overlaysGone(session));
    // The drag that follows reaches the desktop, not a capture of a screen that is gone.
    session.pressButton({100, 100});
    session.releaseButton({400, 400});

    ASSERT_TRUE(session.pressKeys("ctrl+shift+3"));
    ASSERT_TRUE(agent.waitForFiles(1));
    ASSERT_EQ(agent.savedFiles().size(), 1);  // no area was captured before it
    EXPECT_EQ(loadOpaque(agent.saveFolder + "/" + agent.savedFiles().front()).size(),
              QSize(800, 600));
    // The overlay covers the monitors as they are now.
    ASSERT_TRUE(dragArea(session, {100, 100}, {300, 250}, 1));
    ASSERT_TRUE(agent.waitForFiles(2));
    EXPECT_TRUE(loadOpaque(agent.saveFolder + "/" + agent.savedFiles().last()) ==
                pattern({1600, 600}).copy(100, 100, 200, 150));
}

TEST(AreaCapture, KeyboardHeldByAnotherProgramIsTakenOnceItLetsGo) {
    XSession session({800, 600});
    ASSERT_TRUE(session.isReady());
    ASSERT_TRUE(session.paintRoot(pattern({800, 600})));
    Agent agent(session);
    ASSERT_TRUE(agent.waitUntilReady());

    // The key press reaches the agent's grab; right after, another program takes the
    // keyboard before the overlay can.
    session.movePointer({400, 300});
    ASSERT_TRUE(session.pressKeys("ctrl+shift+1"));
    ASSERT_TRUE(session.grabKeyboard());
    ASSERT_TRUE(waitUntil([&] { return session.shownOverlays() == 1; }));
    session.ungrabKeyboard();
    // The overlay takes the keyboard within its retry period; until then a grab of ours
    // would succeed, so take it and give it back until it is refused.
    ASSERT_TRUE(waitUntil([&] { return session.isKeyboardGrabbedElsewhere(); }));
    ASSERT_TRUE(session.pressKeys("Escape"));
    EXPECT_TRUE(overlaysGone(session));
    EXPECT_TRUE(agent.savedFiles().isEmpty());
}
