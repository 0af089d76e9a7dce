#include "capture/CaptureEngine.h"

#include <QPainter>

#include <gtest/gtest.h>

using namespace moxilane;

namespace {

// Every pixel tells where it is: red = x, green = y (mod 256), blue = x / 256 + 16 × y / 256.
QImage coordinates(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            row[x] = qRgb(x & 255, y & 255, (x >> 8) + 16 * (y >> 8));
    }
    return image;
}

}  // namespace

TEST(CaptureEngine, CropCutsTheSelectionInImagePixels) {
    struct Row {
        const char* name;
        ScreenInfo screen;
        QSize imageSize;
        QRectF selection;             // global points, y up
        std::optional<QRect> pixels;  // the expected cut, in image pixels
    };
    const ScreenInfo retina{1, QRectF(0, 0, 1512, 982), 2.0};
    const ScreenInfo left{2, QRectF(-1280, 100, 1280, 800), 1.0};
    const ScreenInfo right{3, QRectF(1920, 0, 800, 600), 1.0};
    const QSize full(3024, 1964);
    const QRectF area(100, 200, 300, 100);
    const Row rows[] = {
        {"2× screen", retina, full, area, QRect(200, 1364, 600, 200)},
        {"snapshot one pixel narrower", retina, {3023, 1964}, area, QRect(199, 1364, 599, 200)},
        {"sub-pixel width", retina, full, {100, 200, 0.4, 10}, std::nullopt},
        {"starts left of the screen", retina, full, {-10, 200, 300, 100}, QRect(0, 1364, 580, 200)},
        {"wholly outside", retina, full, {2000, 200, 300, 100}, std::nullopt},
        {"left of the primary", left, {1280, 800}, {-1270, 800, 200, 50}, QRect(10, 50, 200, 50)},
        {"whole screen", right, {800, 600}, right.frame, QRect(0, 0, 800, 600)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QImage image = coordinates(row.imageSize);
        const auto cut = CaptureEngine::crop(image, row.selection, row.screen);
        ASSERT_EQ(cut.has_value(), row.pixels.has_value());
        if (cut) {
            EXPECT_EQ(*cut, image.copy(*row.pixels));
        }
    }
}

TEST(CaptureEngine, ScaleLookupsFallBackToThePrimaryThenTwo) {
    // y down: the primary's bottom edge is at 982, so the third screen's bottom is at y 0.
    const ScreenLayout layout({{11, {}, QRectF(0, 0, 1512, 982), {}, 1.0},
                               {12, {}, QRectF(1512, 0, 1000, 982), {}, 2.0},
                               {13, {}, QRectF(-800, 382, 800, 600), {}, 1.5}});
    const std::vector<ScreenInfo> screens = layout.screenInfos();
    EXPECT_EQ(CaptureEngine::backingScale(screens, 12), 2.0);
    EXPECT_EQ(CaptureEngine::backingScale(screens, 13), 1.5);
    EXPECT_EQ(CaptureEngine::backingScale(screens, 99), 1.0);
    EXPECT_EQ(CaptureEngine::backingScale({}, 11), 2.0);

    struct Row {
        const char* name;
        QRectF frameTopDown;
        double scale;
    };
    const Row rows[] = {
        {"on the primary: probe (400, 682)", QRectF(0, 0, 800, 600), 1.0},
        {"centre on the 2× screen", QRectF(1400, 100, 400, 300), 2.0},
        {"centre exactly on the shared edge belongs to the right", QRectF(1412, 0, 200, 100), 2.0},
        {"left of the primary", QRectF(-700, 500, 100, 100), 1.5},
        {"off every screen", QRectF(5000, 5000, 10, 10), 1.0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(CaptureEngine::backingScaleForWindowFrame(layout, row.frameTopDown), row.scale);
    }
    EXPECT_EQ(CaptureEngine::backingScaleForWindowFrame({}, QRectF(0, 0, 10, 10)), 2.0);
}
