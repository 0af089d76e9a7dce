#include "selection/WindowCandidates.h"

#include <gtest/gtest.h>

using namespace moxilane;

namespace {

WindowInfo window(std::uint32_t id, QRectF frameTopDown, int layer = 0, bool onScreen = true,
                  std::int64_t pid = 100, const char* app = "Editor", const char* title = "doc") {
    WindowInfo w;
    w.windowID = id;
    w.frame = frameTopDown;
    w.windowLayer = layer;
    w.isOnScreen = onScreen;
    w.owningApplication = OwningApplication{pid, app};
    w.title = title;
    return w;
}

constexpr std::int64_t kOwnPid = 4242;
// The second screen sits right of the primary and above it: y up, its frame starts at
// (1440, 900).
const ScreenLayout kLayout({{1, {}, QRectF(0, 0, 1440, 900), {}, 1.0},
                            {2, {}, QRectF(1440, -800, 1280, 800), {}, 2.0}});
const std::vector<ScreenInfo> kScreens = kLayout.screenInfos();

std::vector<std::uint32_t> ids(const std::vector<WindowInfo>& windows) {
    std::vector<std::uint32_t> result;
    for (const WindowInfo& w : windows)
        result.push_back(w.windowID);
    return result;
}

}  // namespace

TEST(WindowCandidates, OnlyShownOrdinaryWindowsOfOtherProgramsAtLeast40PointsCount) {
    WindowInfo orphan = window(9, {0, 0, 100, 100});
    orphan.owningApplication.reset();
    const WindowCandidates candidates(
        {window(1, {0, 0, 40, 40}), window(2, {0, 0, 39, 400}), window(3, {0, 0, 400, 39.5}),
         window(4, {0, 0, 100, 100}, -1), window(5, {0, 0, 100, 100}, 19),
         window(6, {0, 0, 100, 100}, 20), window(7, {0, 0, 100, 100}, 0, false),
         window(8, {0, 0, 100, 100}, 0, true, kOwnPid), orphan},
        kOwnPid, kLayout);
    EXPECT_EQ(ids(candidates.candidates()), (std::vector<std::uint32_t>{1, 5, 9}));
}

TEST(WindowCandidates, HitTestFlipsThePointAndTakesTheFrontMostWindow) {
    const WindowCandidates candidates(
        {window(1, {100, 50, 400, 300}), window(2, {300, 200, 400, 300}),
         window(3, {100, 50, 30, 30}) /* too small: not in the way */},
        kOwnPid, kLayout);
    struct Row {
        QPointF globalPoint;  // y up
        std::optional<std::uint32_t> picked;
    };
    const Row rows[] = {
        {{110, 840}, 1},             // inside the tiny window's frame, which does not count
        {{100, 850}, 1},             // the top left corner belongs to the window
        {{100, 550}, std::nullopt},  // its bottom edge does not
        {{350, 600}, 1},             // both overlap: the first listed wins
        {{650, 450}, 2},
        {{650, 400}, std::nullopt},  // the bottom edge of window 2
        {{900, 100}, std::nullopt},  // the desktop
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.globalPoint.x() << "," << row.globalPoint.y());
        const WindowInfo* hit = candidates.windowUnder(row.globalPoint);
        ASSERT_EQ(hit != nullptr, row.picked.has_value());
        if (hit) {
            EXPECT_EQ(hit->windowID, *row.picked);
        }
    }
}

TEST(WindowCandidates, FramesLandInTheViewOfEachScreen) {
    const WindowCandidates candidates({}, kOwnPid, kLayout);
    // On the primary, 900 points high: view coordinates equal the capture-service ones.
    EXPECT_EQ(candidates.frameInView(window(1, {100, 50, 400, 300}), kScreens[0]),
              QRectF(100, 50, 400, 300));
    // The second screen's top is at y = 1700 (y up), i.e. -800 from the primary's top.
    EXPECT_EQ(candidates.frameInView(window(1, {1500, -780, 400, 300}), kScreens[1]),
              QRectF(60, 20, 400, 300));
}

TEST(WindowCandidates, LabelNamesTheApplicationAndTitleInAPillThatFits) {
    WindowInfo w = window(1, {0, 0, 400, 300}, 0, true, 1, "Firefox", "News");
    EXPECT_EQ(WindowCandidates::labelText(w), "Firefox — News");
    w.title = QString();
    EXPECT_EQ(WindowCandidates::labelText(w), "Firefox");
    w.title.reset();
    w.owningApplication.reset();
    EXPECT_EQ(WindowCandidates::labelText(w), "Window");

    const auto pill = WindowCandidates::labelPill({100, 50, 400, 300}, {120, 16});
    EXPECT_EQ(pill.background, QRectF(232, 188, 136, 24));
    EXPECT_EQ(pill.text, QRectF(240, 194, 120, 16));
    // Wider than the window less 24 points: cut to that width.
    const auto narrow = WindowCandidates::labelPill({100, 50, 100, 300}, {300, 16});
    EXPECT_EQ(narrow.text.width(), 76);
    EXPECT_EQ(narrow.background, QRectF(104, 188, 92, 24));
}
