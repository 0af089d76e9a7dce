#include "capture/WindowShadow.h"

#include <gtest/gtest.h>

using namespace moxilane;

namespace {

QImage window(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(200, 120, 40));
    image.setPixelColor(0, 0, Qt::white);
    image.setPixelColor(size.width() - 1, size.height() - 1, Qt::blue);
    return image;
}

const auto alphaAt = [](const QImage& image, int x, int y) { return qAlpha(image.pixel(x, y)); };

}  // namespace

TEST(WindowShadow, CanvasGrowsBy40PointsEachSideAndHoldsTheWindowUnchanged) {
    struct Row {
        QSize window;
        double scale;
        QSize canvas;
        int margin;
    };
    for (const Row& row :
         {Row{{500, 300}, 1.0, {580, 380}, 40}, Row{{1000, 600}, 2.0, {1160, 760}, 80},
          Row{{301, 201}, 1.5, {421, 321}, 60}}) {
        SCOPED_TRACE(row.scale);
        const QImage source = window(row.window);
        const auto result = compositeShadow(source, row.scale);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->size(), row.canvas);
        const QImage inner = result->copy(QRect(QPoint(row.margin, row.margin), row.window))
                                 .convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(inner, source);
        // Transparent corners; darker below the window than above it (8 points down).
        EXPECT_EQ(alphaAt(*result, 0, 0), 0);
        EXPECT_EQ(alphaAt(*result, row.canvas.width() - 1, row.canvas.height() - 1), 0);
        const int x = row.canvas.width() / 2;
        const int gap = row.margin / 4;
        const int above = alphaAt(*result, x, row.margin - gap);
        const int below = alphaAt(*result, x, row.margin + row.window.height() + gap - 1);
        EXPECT_GT(above, 0);
        EXPECT_GT(below, above + 10);
        EXPECT_LE(below, 115);  // never darker than black at 0.45
    }
}

TEST(WindowShadow, TranslucentWindowsCastTheShadowOfTheirShape) {
    // The same window with one transparent corner pixel: blurred the general way, its
    // shadow must match the opaque one's away from that corner.
    const QImage opaque = window({400, 240});
    QImage shaped = opaque.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    shaped.setPixel(0, 0, 0);
    const auto a = compositeShadow(opaque, 1.0);
    const auto b = compositeShadow(shaped, 1.0);
    ASSERT_TRUE(a && b);
    for (QPoint p : {QPoint(240, 300), QPoint(470, 150), QPoint(10, 150), QPoint(240, 20)}) {
        SCOPED_TRACE(testing::Message() << p.x() << "," << p.y());
        EXPECT_NEAR(alphaAt(*a, p.x(), p.y()), alphaAt(*b, p.x(), p.y()), 1);
    }
    // A half-transparent window casts a lighter shadow.
    QImage faint(400, 240, QImage::Format_ARGB32_Premultiplied);
    faint.fill(qRgba(0, 0, 0, 128));
    const auto c = compositeShadow(faint, 1.0);
    ASSERT_TRUE(c);
    EXPECT_LT(alphaAt(*c, 240, 300), alphaAt(*a, 240, 300) * 0.6);
}
