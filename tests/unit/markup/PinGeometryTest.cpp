#include "markup/PinGeometry.h"

#include <gtest/gtest.h>

using namespace moxilane;

TEST(PinGeometry, OpensAtItsSizeInPointsShrunkToEightyPercentOfTheWorkArea) {
    struct Case {
        const char* name;
        QSize pixels;
        double scale;
        std::optional<QSizeF> workArea;
        QSizeF points;
    };
    const Case cases[] = {
        {"fits as it is", {400, 300}, 1.0, QSizeF(1280, 800), {400, 300}},
        {"scale two halves it", {400, 300}, 2.0, QSizeF(1280, 800), {200, 150}},
        {"exactly 80 % stays", {1024, 640}, 1.0, QSizeF(1280, 800), {1024, 640}},
        {"too wide: the width binds", {3840, 1080}, 1.0, QSizeF(1920, 1050), {1536, 432}},
        {"too tall: the height binds", {800, 24000}, 1.0, QSizeF(1920, 1000), {800.0 / 30, 800}},
        {"4K at scale two on a 1920 area", {3840, 2160}, 2.0, QSizeF(1920, 1050), {1493.33, 840}},
        {"no screen: unshrunk", {3840, 2160}, 1.0, std::nullopt, {3840, 2160}},
        {"a sliver keeps a point", {4000, 1}, 1.0, QSizeF(1000, 1000), {800, 1}},
        {"no scale counts as one", {100, 50}, 0.0, QSizeF(1000, 1000), {100, 50}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QSizeF got = pinSizePoints(c.pixels, c.scale, c.workArea);
        EXPECT_NEAR(got.width(), c.points.width(), 0.01);
        EXPECT_NEAR(got.height(), c.points.height(), 0.01);
    }
}

TEST(PinGeometry, TheWheelZoomsTenPercentANotchWithinAQuarterAndFourTimes) {
    struct Case {
        double zoom;
        int angleDelta;
        double expected;
    };
    const Case cases[] = {
        {1.0, 120, 1.1},    {1.0, -120, 1 / 1.1}, {1.0, 60, 1.0488},
        {1.0, 0, 1.0},      {3.9, 120, 4.0},      {4.0, 120, 4.0},
        {0.26, -120, 0.25}, {0.25, -1200, 0.25},  {1.0, 2400, 4.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.zoom << " by " << c.angleDelta);
        EXPECT_NEAR(pinZoomAfterWheel(c.zoom, c.angleDelta), c.expected, 0.0001);
    }
}
