// The stitcher's rules on content whose rows all differ from one another.
#include "scroll/ScrollStitcher.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

namespace moxilane {
namespace {

using Kind = AppendResult::Kind;

// A page of noise: every row differs from every other at every band width.
QImage noisePage(int width, int height, quint32 seed = 7) {
    QImage page(width, height, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(page.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = 0xff000000u | (random.generate() & 0xffffffu);
    }
    return page;
}

QImage frameAt(const QImage& page, int top, int height) {
    return page.copy(0, top, page.width(), height);
}

ScrollStitcher stitcherFor(const QImage& firstFrame, qint64 cap = 24000) {
    auto stitcher = ScrollStitcher::create(firstFrame, cap);
    if (!stitcher) throw std::runtime_error("no stitcher for the first frame");
    return std::move(*stitcher);
}

TEST(ScrollStitcher, StartsOnlyFromFramesOfAtLeast120By8) {
    struct Row {
        int width, height;
        bool starts;
        qint64 columns;
    };
    const Row rows[] = {
        {8, 119, false, 0}, {7, 120, false, 0},  {1, 1, false, 0},      {100000, 1, false, 0},
        {8, 120, true, 8},  {63, 300, true, 63}, {1000, 130, true, 64},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.width << " x " << row.height);
        const QImage frame = noisePage(row.width, row.height);
        const auto stitcher = ScrollStitcher::create(frame, 24000);
        ASSERT_EQ(stitcher.has_value(), row.starts);
        if (!stitcher) continue;
        EXPECT_EQ(stitcher->frameWidth(), row.width);
        EXPECT_EQ(stitcher->frameHeight(), row.height);
        EXPECT_EQ(stitcher->columns(), row.columns);
        EXPECT_EQ(stitcher->totalHeight(), row.height);
        EXPECT_EQ(stitcher->maxTotalHeight(), 24000);
        EXPECT_EQ(stitcher->lastSignature(), ScrollStitcher::signature(frame, row.columns));
    }
    EXPECT_FALSE(ScrollStitcher::create(QImage(), 24000));
    // A cap below the frame height is raised to it: the first frame alone fills it.
    auto tiny = stitcherFor(noisePage(8, 150), 100);
    EXPECT_EQ(tiny.maxTotalHeight(), 150);
    EXPECT_EQ(tiny.append(noisePage(8, 150, 9)), AppendResult::full(0));
}

TEST(ScrollStitcher, SignatureAveragesTheLuminanceOfEachBand) {
    // One row of grays 0, 10, 20, … so that each band's average is easy to state.
    QImage image(10, 2, QImage::Format_RGB32);
    for (int x = 0; x < 10; ++x) {
        image.setPixel(x, 0, qRgb(10 * x, 10 * x, 10 * x));
        image.setPixel(x, 1, qRgb(200, 200, 200));
    }
    struct Row {
        qint64 columns;
        Signature expected;
    };
    const Row rows[] = {
        {1, {45, 200}},
        // Bands [0,2) [2,5) [5,7) [7,10).
        {4, {5, 30, 55, 80, 200, 200, 200, 200}},
        // More bands than columns: every band still covers at least one column.
        {12, {0,   0,   10,  20,  30,  40,  50,  50,  60,  70,  80,  90,
              200, 200, 200, 200, 200, 200, 200, 200, 200, 200, 200, 200}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.columns);
        EXPECT_EQ(ScrollStitcher::signature(image, row.columns), row.expected);
    }
    EXPECT_FALSE(ScrollStitcher::signature(image, 0));
    EXPECT_FALSE(ScrollStitcher::signature(QImage(), 8));
    // Colour frames reduce to one gray value per band, the same for every format.
    QImage red(8, 1, QImage::Format_RGB32);
    red.fill(qRgb(255, 0, 0));
    const auto fromRgb = ScrollStitcher::signature(red, 8);
    ASSERT_TRUE(fromRgb);
    EXPECT_EQ(ScrollStitcher::signature(red.convertToFormat(QImage::Format_RGB888), 8), fromRgb);
    EXPECT_LT(fromRgb->front(), 100);
}

TEST(ScrollStitcher, IdenticalOrNearlyIdenticalFramesAreUnchanged) {
    const QImage page = noisePage(64, 400);
    const QImage first = frameAt(page, 0, 200);
    QImage fourRowsChanged = first.copy();
    const QImage other = noisePage(64, 4, 99);
    for (int y = 0; y < 4; ++y) {
        std::memcpy(fourRowsChanged.scanLine(100 + y), other.constScanLine(y), 64 * 4);
    }
    struct Row {
        const char* name;
        QImage frame;
    };
    const Row rows[] = {
        {"the same frame again", first},
        {"an equal copy", first.copy()},
        {"98 % of the rows in place", fourRowsChanged},
        {"another format", first.convertToFormat(QImage::Format_RGB888)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto stitcher = stitcherFor(first);
        EXPECT_EQ(stitcher.append(row.frame), AppendResult::unchanged());
        EXPECT_EQ(stitcher.totalHeight(), 200);
    }
}

TEST(ScrollStitcher, KeepsExactlyTheNewBottomRowsForEveryShiftWithinReach) {
    struct Row {
        int width, height;
        qint64 maxShift;
    };
    // maxShift = height - max(floor(0.12 height), 48).
    const Row rows[] = {{8, 120, 72}, {64, 500, 440}, {200, 1000, 880}};
    for (const Row& row : rows) {
        const QImage page = noisePage(row.width, row.height + int(row.maxShift));
        const QImage first = frameAt(page, 0, row.height);
        for (qint64 shift = 1; shift <= row.maxShift; shift += row.height < 200 ? 1 : 13) {
            SCOPED_TRACE(testing::Message() << row.width << " x " << row.height << " by " << shift);
            auto stitcher = stitcherFor(first);
            ASSERT_EQ(stitcher.append(frameAt(page, int(shift), row.height)),
                      AppendResult::appended(shift));
            ASSERT_EQ(stitcher.totalHeight(), row.height + shift);
            const auto image = stitcher.compose();
            ASSERT_TRUE(image);
            ASSERT_EQ(*image, frameAt(page, 0, int(row.height + shift)));
        }
    }
}

TEST(ScrollStitcher, RejectsShiftsBeyondReachUpwardScrollsAndOtherSizes) {
    const QImage page = noisePage(64, 2000);
    const int height = 500;  // maxShift 440
    struct Row {
        const char* name;
        QImage frame;
    };
    const Row rows[] = {
        {"one row beyond reach", frameAt(page, 600 + 441, height)},
        {"a whole frame further", frameAt(page, 600 + height, height)},
        {"upwards by one row", frameAt(page, 599, height)},
        {"upwards by half a frame", frameAt(page, 350, height)},
        {"one column narrower", page.copy(0, 610, 63, height)},
        {"one row lower", frameAt(page, 610, height - 1)},
        {"unrelated content", noisePage(64, height, 1234)},
        {"a null image", QImage()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto stitcher = stitcherFor(frameAt(page, 0, height));
        ASSERT_EQ(stitcher.append(frameAt(page, 600 - 400, height)), AppendResult::appended(200));
        ASSERT_EQ(stitcher.append(frameAt(page, 600 - 100, height)), AppendResult::appended(300));
        ASSERT_EQ(stitcher.append(frameAt(page, 600, height)), AppendResult::appended(100));
        const Signature before = stitcher.lastSignature();
        EXPECT_EQ(stitcher.append(row.frame), AppendResult::misaligned());
        EXPECT_EQ(stitcher.totalHeight(), height + 600);
        EXPECT_EQ(stitcher.lastSignature(), before);
        // The next frame is compared with the last accepted one, not with the rejected one.
        EXPECT_EQ(stitcher.append(frameAt(page, 600 + 440, height)), AppendResult::appended(440));
        const auto image = stitcher.compose();
        ASSERT_TRUE(image);
        EXPECT_EQ(*image, frameAt(page, 0, height + 1040));
    }
}

TEST(ScrollStitcher, CapCutsTheLastStripAndThenRefusesWithoutWork) {
    const QImage page = noisePage(64, 26000);
    const int height = 1000;
    auto stitcher = stitcherFor(frameAt(page, 0, height), 24000);
    qint64 top = 0;
    for (int i = 0; i < 32; ++i) {
        top += 700;
        ASSERT_EQ(stitcher.append(frameAt(page, int(top), height)), AppendResult::appended(700));
    }
    ASSERT_EQ(stitcher.totalHeight(), 23400);
    EXPECT_EQ(stitcher.append(frameAt(page, int(top + 700), height)), AppendResult::full(600));
    EXPECT_EQ(stitcher.totalHeight(), 24000);
    // Once full, nothing is looked at: not even a frame of the wrong size is refused otherwise.
    EXPECT_EQ(stitcher.append(frameAt(page, int(top + 800), height)), AppendResult::full(0));
    EXPECT_EQ(stitcher.append(QImage()), AppendResult::full(0));
    const auto image = stitcher.compose();
    ASSERT_TRUE(image);
    ASSERT_EQ(image->height(), 24000);
    // The cut strip keeps the upper rows of what the frame revealed.
    EXPECT_EQ(*image, frameAt(page, 0, 24000));
}

TEST(ScrollStitcher, ComposeShowsTheStateSoFarAndNeverChangesAnEarlierImage) {
    const QImage page = noisePage(64, 1000);
    const QImage first = frameAt(page, 0, 300);
    auto stitcher = stitcherFor(first);
    const auto alone = stitcher.compose();
    ASSERT_TRUE(alone);
    EXPECT_EQ(*alone, first);
    EXPECT_EQ(stitcher.compose(), alone);  // composing leaves the stitcher as it was

    ASSERT_EQ(stitcher.append(frameAt(page, 100, 300)), AppendResult::appended(100));
    const auto two = stitcher.compose();
    ASSERT_TRUE(two);
    const QImage twoCopy = two->copy();
    ASSERT_EQ(stitcher.append(frameAt(page, 250, 300)), AppendResult::appended(150));
    const auto three = stitcher.compose();
    ASSERT_TRUE(three);
    EXPECT_EQ(*two, twoCopy);
    EXPECT_EQ(*two, frameAt(page, 0, 400));
    EXPECT_EQ(*three, frameAt(page, 0, 550));
    EXPECT_EQ(*alone, first);
}

}  // namespace
}  // namespace moxilane
