// How the stitcher decides between shifts, stillness and misalignment where band averages
// cannot tell: repeating patterns, blank areas, content that stays in place.
#include "ScrollSessionGenerator.h"
#include "TestPages.h"
#include "scroll/ScrollStitcher.h"

#include <gtest/gtest.h>

#include <cstring>

namespace moxilane {
namespace {

using namespace scrolltest;

// A light page with a dark row every `every` rows, from x = 4 to width - 4.
QImage stripesEvery(int width, int height, int every) {
    QImage page(width, height, QImage::Format_RGB32);
    page.fill(qRgb(250, 250, 250));
    for (int y = 0; y < height; y += every) {
        for (int x = 4; x < width - 4; ++x)
            page.setPixel(x, y, qRgb(30, 30, 30));
    }
    return page;
}

// Rows whose band averages repeat every `period` rows while their pixels never repeat: each
// 2-pixel band holds the same two grays, in an order that changes from row to row.
QImage bandAliases(int height, int period) {
    const QImage pattern = noisePage(64, period, 5);
    const QImage order = noisePage(64, height, 6);
    QImage page(128, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int c = 0; c < 64; ++c) {
            const QRgb p = pattern.pixel(c, y % period);
            const int a = qRed(p), b = qGreen(p), swap = order.pixel(c, y) & 1;
            page.setPixel(2 * c + swap, y, qRgb(a, a, a));
            page.setPixel(2 * c + 1 - swap, y, qRgb(b, b, b));
        }
    }
    return page;
}

// A blank page with 12-row bars of noise (like lines of text); equal seeds, equal bars.
QImage blankWithBars(int width, int height, std::initializer_list<std::pair<int, quint32>> bars) {
    QImage page(width, height, QImage::Format_RGB32);
    page.fill(Qt::white);
    for (const auto& [top, seed] : bars) {
        const QImage bar = noisePage(width / 2, 12, seed);
        for (int y = 0; y < 12; ++y)
            std::memcpy(page.scanLine(top + y) + 80, bar.constScanLine(y), bar.width() * 4);
    }
    return page;
}

struct Case {
    const char* name;
    QImage first, next;
    AppendResult expected;
};

void expectResults(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto stitcher = ScrollStitcher::create(c.first, 24000);
        ASSERT_TRUE(stitcher);
        EXPECT_EQ(stitcher->append(c.next), c.expected);
    }
}

TEST(AlignmentRules, PixelsDecideBetweenShiftsAndAmbiguityIsMisaligned) {
    const QImage stripes = stripesEvery(200, 1200, 10);
    const QImage twoStripes = stripesEvery(200, 1200, 200);
    const QImage repeating = noisePage(100, 1200, 3, 250);
    const QImage aliases = bandAliases(1000, 20);
    // A table whose middle rows repeat, with distinct rows around them within the frame.
    const QImage table = blankWithBars(
        300, 1200, {{20, 1}, {60, 2}, {300, 3}, {324, 3}, {348, 3}, {372, 3}, {700, 4}});
    expectResults({
        {"stripes moved by less than their spacing", frameAt(stripes, 0, 400),
         frameAt(stripes, 3, 400), AppendResult::misaligned()},
        {"stripes moved by their spacing look the same", frameAt(stripes, 0, 400),
         frameAt(stripes, 10, 400), AppendResult::unchanged()},
        {"content repeating every 250 rows: two shifts fit", frameAt(repeating, 0, 400),
         frameAt(repeating, 3, 400), AppendResult::misaligned()},
        {"two stripes 200 rows apart: 3 or 203 rows", frameAt(twoStripes, 0, 400),
         frameAt(twoStripes, 3, 400), AppendResult::misaligned()},
        {"band averages fit every 20 rows, pixels one shift", frameAt(aliases, 0, 300),
         frameAt(aliases, 30, 300), AppendResult::appended(30)},
        {"repeated rows inside distinct ones", frameAt(table, 0, 600), frameAt(table, 48, 600),
         AppendResult::appended(48)},
    });
}

TEST(AlignmentRules, UniformAndStaticAreasNeitherHideNorFakeAScroll) {
    const QImage sparse = blankWithBars(400, 2000, {{300, 1}, {1500, 2}});
    const QImage prose = renderPage({.content = Content::prose, .width = 600, .height = 2000});
    QImage caret = frameAt(prose, 0, 900);  // a caret 16 rows high in a 900-row frame
    for (int y = 200; y < 216; ++y)
        caret.setPixel(300, y, qRgb(0, 0, 0));
    const Window window(600, 480, {.headerRows = 120, .footerRows = 120}, Theme::light);
    expectResults({
        {"one line on a blank page moved by 10 rows", frameAt(sparse, 0, 600),
         frameAt(sparse, 10, 600), AppendResult::appended(10)},
        {"one line on a blank page moved by a notch", frameAt(sparse, 200, 600),
         frameAt(sparse, 260, 600), AppendResult::appended(60)},
        {"scrolled back on a blank page", frameAt(sparse, 200, 600), frameAt(sparse, 140, 600),
         AppendResult::misaligned(true)},
        {"the only line scrolled out within reach, the rest blank", frameAt(sparse, 0, 600),
         frameAt(sparse, 320, 600), AppendResult::unchanged()},
        {"the only line, near the bottom, gone beyond reach", frameAt(sparse, 960, 600),
         frameAt(sparse, 400, 600), AppendResult::misaligned()},
        {"a caret blinking in still text", frameAt(prose, 0, 900), caret,
         AppendResult::unchanged()},
        {"header and footer still, content beyond reach", window.frame(prose, 0),
         window.frame(prose, 600), AppendResult::misaligned()},
        {"header and footer still, content moved by 40", window.frame(prose, 0),
         window.frame(prose, 40), AppendResult::appended(40)},
    });
}

TEST(AlignmentRules, ComposedImagesStayAsTheyWereWhileAFooterMovesDown) {
    const QImage page = renderPage({.content = Content::mixed, .width = 500, .height = 3000});
    const Window window(500, 400, {.footerRows = 40}, Theme::light);
    auto stitcher = ScrollStitcher::create(window.frame(page, 0), 24000);
    ASSERT_TRUE(stitcher);
    std::vector<std::pair<QImage, QImage>> images;  // composed, and a deep copy of it
    for (int top = 60; top <= 600; top += 60) {
        ASSERT_EQ(stitcher->append(window.frame(page, top)), AppendResult::appended(60));
        const QImage image = *stitcher->compose();
        images.emplace_back(image, image.copy());
    }
    for (const auto& [image, copy] : images)
        EXPECT_EQ(image, copy);
    const QImage& last = images.back().first;
    EXPECT_EQ(last.copy(0, 960, 500, 40), window.footer);
    EXPECT_EQ(last.copy(0, 0, 500, 960), page.copy(0, 0, 500, 960));
}

}  // namespace
}  // namespace moxilane
