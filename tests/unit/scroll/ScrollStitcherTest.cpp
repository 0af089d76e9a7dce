// The stitcher's rules on content whose rows all differ from one another.
#include "TestPages.h"
#include "scroll/ScrollStitcher.h"

#include <gtest/gtest.h>

#include <cstring>

namespace moxilane {
namespace {

using scrolltest::frameAt;
using scrolltest::noisePage;

ScrollStitcher stitcherFor(const QImage& firstFrame, qint64 cap = 24000) {
    auto stitcher = ScrollStitcher::create(firstFrame, cap);
    EXPECT_TRUE(stitcher);
    return std::move(*stitcher);
}

TEST(ScrollStitcher, StartsOnlyFromFramesOfAtLeast120By8) {
    struct Row {
        int width, height;
        qint64 columns;  // 0: no stitcher
    };
    const Row rows[] = {{8, 119, 0}, {7, 120, 0},   {1, 1, 0},      {100000, 1, 0},
                        {8, 120, 8}, {63, 300, 63}, {1000, 130, 64}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.width << " x " << row.height);
        const QImage frame = noisePage(row.width, row.height);
        const auto stitcher = ScrollStitcher::create(frame, 24000);
        ASSERT_EQ(stitcher.has_value(), row.columns > 0);
        if (!stitcher) continue;
        EXPECT_EQ(stitcher->columns(), row.columns);
        EXPECT_EQ(stitcher->totalHeight(), row.height);
        EXPECT_EQ(stitcher->lastSignature(), ScrollStitcher::signature(frame, row.columns));
    }
    // A cap below the frame height is raised to it: the first frame alone fills it.
    auto tiny = stitcherFor(noisePage(8, 150), 100);
    EXPECT_EQ(tiny.maxTotalHeight(), 150);
    EXPECT_EQ(tiny.append(noisePage(8, 150, 9)), AppendResult::full(0));
}

TEST(ScrollStitcher, IdenticalOrNearlyIdenticalFramesAreUnchanged) {
    const QImage first = noisePage(64, 200);
    QImage fourRowsChanged = first.copy();  // 98 % of the rows in place
    const QImage other = noisePage(64, 4, 99);
    for (int y = 0; y < 4; ++y)
        std::memcpy(fourRowsChanged.scanLine(100 + y), other.constScanLine(y), 256);
    for (const QImage& frame :
         {first, first.copy(), fourRowsChanged, first.convertToFormat(QImage::Format_RGB888)}) {
        auto stitcher = stitcherFor(first);
        EXPECT_EQ(stitcher.append(frame), AppendResult::unchanged());
        EXPECT_EQ(stitcher.totalHeight(), 200);
    }
}

TEST(ScrollStitcher, KeepsExactlyTheNewBottomRowsForEveryShiftWithinReach) {
    struct Row {
        int width, height;
        qint64 maxShift;  // height - max(floor(0.12 height), 48)
    };
    for (const Row row : {Row{8, 120, 72}, Row{64, 500, 440}, Row{200, 1000, 880}}) {
        const QImage page = noisePage(row.width, row.height + int(row.maxShift));
        for (qint64 shift = 1; shift <= row.maxShift; shift += row.height < 200 ? 1 : 13) {
            SCOPED_TRACE(testing::Message() << row.width << " x " << row.height << " by " << shift);
            auto stitcher = stitcherFor(frameAt(page, 0, row.height));
            ASSERT_EQ(stitcher.append(frameAt(page, int(shift), row.height)),
                      AppendResult::appended(shift));
            ASSERT_EQ(stitcher.totalHeight(), row.height + shift);
            ASSERT_EQ(stitcher.compose(), frameAt(page, 0, int(row.height + shift)));
        }
    }
}

TEST(ScrollStitcher, RejectsShiftsBeyondReachUpwardScrollsAndOtherSizes) {
    const QImage page = noisePage(64, 2000);
    const int height = 500;  // maxShift 440
    struct Rejected {
        QImage frame;
        bool scrolledBack;
    };
    const Rejected rejected[] = {
        {frameAt(page, 600 + 441, height), false},     // one row beyond reach
        {frameAt(page, 600 + height, height), false},  // a whole frame further
        {frameAt(page, 599, height), true},            // upwards by one row
        {frameAt(page, 350, height), true},            // upwards by half a frame
        {frameAt(page, 40, height), true},             // upwards past the last frame
        {page.copy(0, 610, 63, height), false},        // one column narrower
        {frameAt(page, 610, height - 1), false},       // one row lower
        {noisePage(64, height, 1234), false},          // unrelated
        {QImage(), false},
    };
    for (const auto& [frame, scrolledBack] : rejected) {
        auto stitcher = stitcherFor(frameAt(page, 0, height));
        ASSERT_EQ(stitcher.append(frameAt(page, 300, height)), AppendResult::appended(300));
        ASSERT_EQ(stitcher.append(frameAt(page, 600, height)), AppendResult::appended(300));
        const Signature before = stitcher.lastSignature();
        EXPECT_EQ(stitcher.append(frame), AppendResult::misaligned(scrolledBack));
        EXPECT_EQ(stitcher.totalHeight(), height + 600);
        EXPECT_EQ(stitcher.lastSignature(), before);
        // The next frame is compared with the last accepted one, not with the rejected one.
        EXPECT_EQ(stitcher.append(frameAt(page, 1040, height)), AppendResult::appended(440));
        EXPECT_EQ(stitcher.compose(), frameAt(page, 0, height + 1040));
    }
}

TEST(ScrollStitcher, CapCutsTheLastStripAndThenRefusesWithoutWork) {
    const QImage page = noisePage(64, 26000);
    auto stitcher = stitcherFor(frameAt(page, 0, 1000), 24000);
    for (int top = 700; top <= 32 * 700; top += 700) {
        ASSERT_EQ(stitcher.append(frameAt(page, top, 1000)), AppendResult::appended(700));
    }
    EXPECT_EQ(stitcher.append(frameAt(page, 33 * 700, 1000)), AppendResult::full(600));
    EXPECT_EQ(stitcher.totalHeight(), 24000);
    // Once full, nothing is looked at: not even a frame of the wrong size is refused otherwise.
    EXPECT_EQ(stitcher.append(frameAt(page, 33 * 700 + 100, 1000)), AppendResult::full(0));
    EXPECT_EQ(stitcher.append(QImage()), AppendResult::full(0));
    // The cut strip keeps the upper rows of what the frame revealed.
    EXPECT_EQ(stitcher.compose(), frameAt(page, 0, 24000));
}

}  // namespace
}  // namespace moxilane
