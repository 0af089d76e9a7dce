#include "platform/wayland/gnome/CastFrame.h"

#include <gtest/gtest.h>

#include <vector>

using namespace moxilane::wayland;

namespace {

// A 3 × 2 buffer whose pixel (x, y) has red x, green y, blue 7 and the given fourth byte, in
// the layout's byte order, rows `stride` bytes apart.
std::vector<uchar> buffer(CastPixelLayout layout, int stride, uchar fourth) {
    std::vector<uchar> bytes(std::size_t(stride) * 2, 0xee);
    const bool bgr = layout == CastPixelLayout::bgrx || layout == CastPixelLayout::bgra;
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            uchar* p = bytes.data() + y * stride + x * 4;
            p[0] = bgr ? 7 : uchar(x);
            p[1] = uchar(y);
            p[2] = bgr ? uchar(x) : 7;
            p[3] = fourth;
        }
    }
    return bytes;
}

}  // namespace

TEST(CastFrame, EachLayoutStrideAndCropGivesTheOpaqueScreenPixels) {
    const struct {
        const char* name;
        CastPixelLayout layout;
        int stride;
        QRect crop;
    } rows[] = {
        {"bgrx, tight", CastPixelLayout::bgrx, 12, {}},
        {"bgra, padded rows, alpha 0", CastPixelLayout::bgra, 16, {}},
        {"rgbx", CastPixelLayout::rgbx, 12, {}},
        {"rgba, padded", CastPixelLayout::rgba, 20, {}},
        {"bgrx, cropped", CastPixelLayout::bgrx, 16, QRect(1, 1, 2, 1)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto bytes = buffer(row.layout, row.stride, 0);
        const QImage image =
            castFrameImage({bytes.data(), bytes.size(), {3, 2}, row.stride, row.layout, row.crop});
        const QRect part = row.crop.isEmpty() ? QRect(0, 0, 3, 2) : row.crop;
        ASSERT_EQ(image.size(), part.size());
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                EXPECT_EQ(image.pixel(x, y), qRgb(part.x() + x, part.y() + y, 7)) << x << "," << y;
    }
}

TEST(CastFrame, ABufferShorterThanItsRowsIsNoPicture) {
    const auto bytes = buffer(CastPixelLayout::bgrx, 16, 0xff);
    // The last row needs only its pixels, not the padding after them.
    EXPECT_FALSE(
        castFrameImage({bytes.data(), 16 + 12, {3, 2}, 16, CastPixelLayout::bgrx, {}}).isNull());
    EXPECT_TRUE(
        castFrameImage({bytes.data(), 16 + 11, {3, 2}, 16, CastPixelLayout::bgrx, {}}).isNull());
    EXPECT_TRUE(castFrameImage({bytes.data(), bytes.size(), {3, 2}, 8, CastPixelLayout::bgrx, {}})
                    .isNull());
    EXPECT_TRUE(
        castFrameImage({nullptr, bytes.size(), {3, 2}, 16, CastPixelLayout::bgrx, {}}).isNull());
}

TEST(CastFrame, TheAreaIsCutAtTheFramesOwnScale) {
    // A display of 40 × 20 device pixels sent as an 80 × 40 frame: the area's pixels come from
    // twice its coordinates.
    QImage frame(80, 40, QImage::Format_RGB32);
    frame.fill(Qt::black);
    frame.setPixel(20, 10, qRgb(255, 0, 0));
    frame.setPixel(21, 10, qRgb(255, 0, 0));
    frame.setPixel(20, 11, qRgb(255, 0, 0));
    frame.setPixel(21, 11, qRgb(255, 0, 0));
    const QImage cut = cutAreaFromFrame(frame, {40, 20}, QRect(10, 5, 4, 3));
    ASSERT_EQ(cut.size(), QSize(4, 3));
    EXPECT_EQ(cut.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(cut.pixel(1, 1), qRgb(0, 0, 0));
    // At the display's own size the area is copied as it is.
    EXPECT_EQ(cutAreaFromFrame(frame, {80, 40}, QRect(20, 10, 2, 2)), frame.copy(20, 10, 2, 2));
}
