#include "selection/Completion.h"
#include "selection/RegionDrag.h"
#include "selection/SelectionGeometry.h"

#include <gtest/gtest.h>

using namespace moxilane;
namespace geometry = moxilane::SelectionGeometry;

TEST(RegionSelection, DragsGiveTheSameRectangleEitherWayAndSmallOnesCancel) {
    struct Row {
        const char* name;
        QPointF start, end;
        QRectF rect;
        bool accepted;
        double pixelsPerPoint = 1.0;  // on a 1920 × 1080 pixel screen
    };
    const Row rows[] = {
        {"down and right", {100, 100}, {740, 580}, {100, 100, 640, 480}, true},
        {"up and left", {740, 580}, {100, 100}, {100, 100, 640, 480}, true},
        {"click without drag", {50, 50}, {50, 50}, {50, 50, 0, 0}, false},
        {"one point wide", {50, 50}, {51, 250}, {50, 50, 1, 200}, false},
        {"just under two high", {50, 50}, {250, 51.9}, {50, 50, 200, 1.9}, false},
        {"two by two", {50, 50}, {52, 48}, {50, 48, 2, 2}, true},
        // The pointer stops on the last pixel: an edge there reaches the screen's edge.
        {"corner to corner", {0, 0}, {1919, 1079}, {0, 0, 1920, 1080}, true},
        {"corner to corner, back", {1919, 1079}, {0, 0}, {0, 0, 1920, 1080}, true},
        {"from the last column", {1919, 500}, {1000, 1078}, {1000, 500, 920, 578}, true},
        {"a pixel short of it", {1918, 1078}, {10, 10}, {10, 10, 1908, 1068}, true},
        {"2x corner to corner", {959.5, 539.5}, {0, 0}, {0, 0, 960, 540}, true, 2.0},
        {"2x a pixel short", {0, 0}, {959, 539}, {0, 0, 959, 539}, true, 2.0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RegionDrag drag(QSizeF(1920, 1080) / row.pixelsPerPoint, row.pixelsPerPoint);
        drag.moveTo({5, 5});  // before any press: ignored
        EXPECT_FALSE(drag.selection());
        drag.press(row.start);
        drag.moveTo(row.end);
        ASSERT_TRUE(drag.selection());
        EXPECT_EQ(*drag.selection(), row.rect);
        EXPECT_EQ(geometry::isLargeEnough(row.rect), row.accepted);
    }
}

TEST(RegionSelection, CompletionRunsOnceWhateverEndsItFirst) {
    std::vector<std::optional<int>> results;
    Completion<std::optional<int>> completion([&](std::optional<int> v) { results.push_back(v); });
    EXPECT_TRUE(completion.finish(std::nullopt));   // Esc
    EXPECT_FALSE(completion.finish(std::nullopt));  // Esc again
    EXPECT_FALSE(completion.finish(7));             // the release after Esc
    EXPECT_TRUE(completion.isFinished());
    EXPECT_EQ(results, std::vector<std::optional<int>>{std::nullopt});
}

TEST(RegionSelection, SizeLabelSitsUnderTheSelectionOrInsideItAtTheEdgesAndTheHintAtTheTop) {
    const QRectF screen(0, 0, 1920, 1080);
    const QSizeF label(60, 14);
    struct Row {
        const char* name;
        QRectF selection;
        QPointF labelAt;
    };
    const Row rows[] = {
        {"right-aligned below", {100, 100, 300, 200}, {330, 315}},
        {"touching the bottom: inside, 5 above its edge", {100, 900, 300, 180}, {330, 1061}},
        {"ending 29 points above the bottom: still below", {100, 900, 300, 151}, {330, 1066}},
        {"at the left edge and narrower than the label", {0, 100, 30, 50}, {0, 165}},
        {"bottom left corner: both", {0, 1000, 30, 80}, {0, 1061}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(geometry::sizeLabelRect(row.selection, label, screen),
                  QRectF(row.labelAt, label));
    }
    EXPECT_EQ(geometry::sizeLabelText({10, 10, 640.9, 480.2}), "640 × 480");
    EXPECT_EQ(geometry::sizeLabelBackground({330, 315, 60, 14}), QRectF(325, 312.5, 70, 19));
    // The hint pill: centred, 64 points below the top.
    const QRectF text = geometry::hintTextRect({400, 17}, screen);
    EXPECT_EQ(text, QRectF(760, 64, 400, 17));
    EXPECT_EQ(geometry::hintPill(text), QRectF(748, 58, 424, 29));
}

TEST(RegionSelection, ViewRectanglesBecomeGlobalPointsWithYUp) {
    // A screen right of the primary and lower: its view's top is at global y 1080.
    const ScreenInfo screen{9, QRectF(1920, 580, 1000, 500), 2.0};
    EXPECT_EQ(geometry::viewToGlobal({10, 20, 100, 50}, screen), QRectF(1930, 1010, 100, 50));
    // Below the primary, global y goes negative.
    const ScreenInfo below{4, QRectF(0, -1080, 1920, 1080), 1.0};
    EXPECT_EQ(geometry::viewToGlobal({0, 1000, 10, 80}, below), QRectF(0, -1080, 10, 80));
}

TEST(RegionSelection, ADragStepRepaintsTheEdgesNotTheInside) {
    const QRectF before(100, 100, 400, 300);
    const QRectF after(100, 100, 403, 302);
    const QRectF labelBefore(430, 415, 60, 14);
    const QRectF labelAfter(433, 417, 60, 14);
    const QRegion area = geometry::changedArea(before, after, labelBefore, labelAfter);
    EXPECT_TRUE(area.contains(QPoint(501, 250)));   // newly uncovered column
    EXPECT_TRUE(area.contains(QPoint(99, 99)));     // the outline's corner
    EXPECT_TRUE(area.contains(QPoint(440, 420)));   // the old label
    EXPECT_FALSE(area.contains(QPoint(300, 250)));  // unchanged inside
    EXPECT_FALSE(area.contains(QPoint(50, 50)));    // unchanged outside
    // The first press: the hole appears whole.
    EXPECT_TRUE(geometry::changedArea(std::nullopt, after, std::nullopt, labelAfter)
                    .contains(QPoint(300, 250)));
}
