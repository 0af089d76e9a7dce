#include "platform/ScreenLayout.h"

#include <gtest/gtest.h>

using namespace moxilane;

namespace {

// As Qt lays them out: the primary at 2× (3840×2160 device pixels), a 1× screen above it,
// one left of it, and a 2× screen right of it whose origin stays in device pixels, so the
// points between x 1920 and 3840 belong to no screen.
const ScreenLayout kLayout({
    ScreenLayout::fromQtGeometry(1, "MAIN", {0, 0, 1920, 1080}, {0, 0, 1920, 1040}, 2.0),
    ScreenLayout::fromQtGeometry(2, "ABOVE", {0, -1080, 1920, 1080}, {0, -1080, 1920, 1080}, 1.0),
    ScreenLayout::fromQtGeometry(3, "LEFT", {-1280, 0, 1280, 1024}, {-1280, 0, 1280, 1024}, 1.0),
    ScreenLayout::fromQtGeometry(4, "RIGHT", {3840, 0, 1000, 500}, {3840, 0, 1000, 500}, 2.0),
});

}  // namespace

TEST(ScreenLayout, DevicePixelsAndPointsMeetThroughTheScreenHoldingTheCentre) {
    struct Row {
        const char* name;
        QRect device;
        QRectF points;  // y down
        const char* screen;
    };
    const Row rows[] = {
        {"on the 2× primary", {200, 100, 800, 600}, {100, 50, 400, 300}, "MAIN"},
        {"odd pixels at 2×: half points", {201, 101, 3, 3}, {100.5, 50.5, 1.5, 1.5}, "MAIN"},
        {"above the primary", {10, -500, 300, 200}, {10, -500, 300, 200}, "ABOVE"},
        {"left of the primary", {-1000, 10, 300, 200}, {-1000, 10, 300, 200}, "LEFT"},
        {"2× screen past the gap", {3900, 100, 400, 200}, {3870, 50, 200, 100}, "RIGHT"},
        {"centre on no screen: the primary's scale",
         {5000, 3000, 40, 40},
         {2500, 1500, 20, 20},
         nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(kLayout.deviceToPoints(row.device), row.points);
        EXPECT_EQ(kLayout.pointsToDevice(row.points), row.device);
        const ScreenLayout::Screen* at = kLayout.screenAt(row.points.center());
        EXPECT_EQ(at ? at->name : QString(), row.screen ? QString(row.screen) : QString());
    }
}

TEST(ScreenLayout, YUpFramesBordersAndTheOneRoundingRule) {
    // y up: reflected about the primary's bottom edge.
    const std::vector<ScreenInfo> infos = kLayout.screenInfos();
    EXPECT_EQ(infos[1].frame, QRectF(0, 1080, 1920, 1080));
    EXPECT_EQ(infos[2].frame, QRectF(-1280, 56, 1280, 1024));
    EXPECT_EQ(infos[3].name, "RIGHT");
    const QRectF somewhere(-700, -300, 1000, 500.25);
    EXPECT_EQ(kLayout.fromYUp(kLayout.toYUp(somewhere)), somewhere);
    EXPECT_EQ(kLayout.toYUp(QPointF(5, 1000)), QPointF(5, 80));

    // Half-open: a point on a shared edge belongs to the screen right of it or below it.
    struct Border {
        QPointF point;
        const char* screen;
    };
    for (const Border& b :
         {Border{{10, 0}, "MAIN"}, Border{{10, -0.001}, "ABOVE"}, Border{{0, 10}, "MAIN"},
          Border{{-0.5, 10}, "LEFT"}, Border{{1920, 10}, nullptr}}) {
        SCOPED_TRACE(b.point.x());
        const ScreenLayout::Screen* at = kLayout.screenAt(b.point);
        EXPECT_EQ(at ? at->name : QString(), b.screen ? QString(b.screen) : QString());
    }

    // A selection 0.5 points below the top of a 2× screen under the primary: the sums of
    // the view-to-global path come out a hair short of 0.5, and the pixel must still be 1.
    const ScreenInfo below{5, QRectF(0, -1080, 1920, 1080), 2.0};
    const QRectF selection = ScreenLayout::viewToYUp(QRectF(0, 0.5, 10, 3.6), below);
    EXPECT_EQ(ScreenLayout::imagePixels(selection, below, {3840, 2160}), QRect(0, 1, 20, 7));
}
