// How the stitcher decides between shifts, stillness and misalignment where band averages
// cannot tell: repeating patterns, blank areas, content that stays in place.
#include "ScrollSessionGenerator.h"
#include "scroll/ScrollStitcher.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace moxilane {
namespace {

using namespace scrolltest;

QImage filled(int width, int height, QRgb colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Horizontal stripes, `period` rows apart: every shift by a multiple of the period fits.
QImage stripes(int width, int height, int period) {
    QImage page = filled(width, height, qRgb(250, 250, 250));
    for (int y = 0; y < height; y += period) {
        for (int x = 4; x < width - 4; ++x)
            page.setPixel(x, y, qRgb(30, 30, 30));
    }
    return page;
}

// Noise whose rows repeat every `period` rows.
QImage repeatingNoise(int width, int height, int period) {
    QImage page(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        QRandomGenerator random(quint32(y % period));
        for (int x = 0; x < width; ++x)
            page.setPixel(x, y, random.generate() | 0xff000000u);
    }
    return page;
}

// Rows whose band averages repeat every `period` rows while their pixels never repeat: each
// 2-pixel band holds the same two grays, in an order that changes from period to period.
QImage bandAliases(int height, int period) {
    QImage page(128, height, QImage::Format_RGB32);
    QRandomGenerator values(5);
    std::vector<std::pair<int, int>> pattern(std::size_t(period * 64));
    for (auto& pair : pattern)
        pair = {int(values.bounded(256)), int(values.bounded(256))};
    QRandomGenerator order(6);
    for (int y = 0; y < height; ++y) {
        for (int c = 0; c < 64; ++c) {
            auto [a, b] = pattern[std::size_t((y % period) * 64 + c)];
            if (order.bounded(2) == 0) std::swap(a, b);
            page.setPixel(2 * c, y, qRgb(a, a, a));
            page.setPixel(2 * c + 1, y, qRgb(b, b, b));
        }
    }
    return page;
}

// A blank page with bars of noise 12 rows high (like lines of text) at the given rows; bars of
// the same pattern number are identical.
struct Bar {
    int top;
    quint32 pattern;
};
QImage blankWithBars(int width, int height, std::initializer_list<Bar> bars) {
    QImage page = filled(width, height, qRgb(255, 255, 255));
    for (const Bar bar : bars) {
        QRandomGenerator random(bar.pattern);
        for (int y = bar.top; y < bar.top + 12; ++y) {
            for (int x = 20; x < width / 2; ++x)
                page.setPixel(x, y, random.generate() | 0xff000000u);
        }
    }
    return page;
}

QImage frameAt(const QImage& page, int top, int height) {
    return page.copy(0, top, page.width(), height);
}

struct Case {
    const char* name;
    QImage first;
    QImage next;
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
    const QImage lines = stripes(200, 1200, 10);
    const QImage sparseLines = stripes(200, 1200, 200);
    const QImage repeating = repeatingNoise(100, 1200, 250);
    const QImage aliases = bandAliases(1000, 20);
    // A table whose middle rows repeat, with distinct rows around them within the frame.
    const QImage table = blankWithBars(
        300, 1200, {{20, 1}, {60, 2}, {300, 3}, {324, 3}, {348, 3}, {372, 3}, {396, 3}, {700, 4}});
    expectResults({
        {"stripes moved by less than their spacing fit many shifts", frameAt(lines, 0, 400),
         frameAt(lines, 3, 400), AppendResult::misaligned()},
        {"content repeating every 250 rows: two shifts fit", frameAt(repeating, 0, 400),
         frameAt(repeating, 3, 400), AppendResult::misaligned()},
        {"two stripes in the frame: two shifts fit", frameAt(sparseLines, 0, 400),
         frameAt(sparseLines, 3, 400), AppendResult::misaligned()},
        {"stripes moved by their spacing look the same", frameAt(lines, 0, 400),
         frameAt(lines, 10, 400), AppendResult::unchanged()},
        {"band averages fit every 20 rows, pixels at one shift only", frameAt(aliases, 0, 300),
         frameAt(aliases, 30, 300), AppendResult::appended(30)},
        {"repeated rows inside distinct ones", frameAt(table, 0, 600), frameAt(table, 48, 600),
         AppendResult::appended(48)},
    });
}

TEST(AlignmentRules, UniformAndStaticAreasNeitherHideNorFakeAScroll) {
    const QImage sparse = blankWithBars(400, 2000, {{300, 1}, {1500, 2}});
    const QImage prose = renderPage({.content = Content::prose, .width = 600, .height = 2000});
    QImage caret = frameAt(prose, 0, 900);  // the caret changes 16 rows of 900
    for (int y = 200; y < 216; ++y) {
        caret.setPixel(300, y, qRgb(0, 0, 0));
        caret.setPixel(301, y, qRgb(0, 0, 0));
    }
    // Header and footer a quarter of the frame each.
    const Window window(600, 480, {.headerRows = 120, .footerRows = 120}, Theme::light);
    expectResults({
        {"one line on a blank page moved by 10 rows", frameAt(sparse, 0, 600),
         frameAt(sparse, 10, 600), AppendResult::appended(10)},
        {"one line on a blank page moved by a notch", frameAt(sparse, 200, 600),
         frameAt(sparse, 260, 600), AppendResult::appended(60)},
        {"scrolled back on a blank page", frameAt(sparse, 200, 600), frameAt(sparse, 140, 600),
         AppendResult::misaligned()},
        {"the only line scrolled out, the rest blank", frameAt(sparse, 0, 600),
         frameAt(sparse, 320, 600), AppendResult::misaligned()},
        {"a caret blinking in still text", frameAt(prose, 0, 900), caret,
         AppendResult::unchanged()},
        {"header and footer still, content jumped beyond reach", window.frame(prose, 0),
         window.frame(prose, 600), AppendResult::misaligned()},
        {"header and footer still, content moved by 40", window.frame(prose, 0),
         window.frame(prose, 40), AppendResult::appended(40)},
    });
}

TEST(AlignmentRules, ComposedImagesStayAsTheyWereWhileStitchingGoesOn) {
    const QImage page = renderPage({.content = Content::mixed, .width = 500, .height = 3000});
    const Window window(500, 400, {.footerRows = 40}, Theme::light);
    auto stitcher = ScrollStitcher::create(window.frame(page, 0), 24000);
    ASSERT_TRUE(stitcher);
    std::vector<std::pair<QImage, QImage>> images;  // composed, and a deep copy of it
    for (int top = 60; top <= 600; top += 60) {
        ASSERT_EQ(stitcher->append(window.frame(page, top)), AppendResult::appended(60));
        const auto image = stitcher->compose();
        ASSERT_TRUE(image);
        images.emplace_back(*image, image->copy());
    }
    for (const auto& [image, copy] : images)
        EXPECT_EQ(image, copy);
    // The footer shows once, at the bottom of each.
    const auto& last = images.back().first;
    EXPECT_EQ(last.height(), 1000);
    EXPECT_EQ(last.copy(0, 960, 500, 40), window.footer());
    EXPECT_EQ(last.copy(0, 0, 500, 960), page.copy(0, 0, 500, 960));
}

}  // namespace
}  // namespace moxilane
