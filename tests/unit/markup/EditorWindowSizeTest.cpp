#include "markup/EditorWindowSize.h"

#include <gtest/gtest.h>

using namespace moxilane;

TEST(EditorWindowSize, ShrinksToTheWorkAreaNeverEnlargesAndKeepsTheBarInReach) {
    const EditorBarWidths bar{936, 722};
    struct Case {
        QSize pixels;
        double scale;
        std::optional<QSizeF> workArea;
        EditorBarWidths bar;
        QSizeF content;
        double minimumWidth;
        int rows;
    };
    const Case cases[] = {
        // 1500 × 1000 points into 1296 × 739.5: the height decides.
        {{3000, 2000}, 2.0, QSizeF(1440, 875), bar, {1109.25, 787.5}, 936, 1},
        // A bar narrower than 640 leaves the width at 640.
        {{200, 100}, 2.0, QSizeF(1440, 875), {600, 400}, {640, 98}, 640, 1},
        // A small capture opens as wide as the whole bar.
        {{200, 100}, 2.0, QSizeF(1440, 875), bar, {936, 98}, 936, 1},
        {{200, 150}, 1.0, QSizeF(1280, 800), bar, {936, 198}, 936, 1},
        // 90 % of 1024 is less than the bar: the trailing group wraps, the window grows by a row.
        {{200, 150}, 1.0, QSizeF(1024, 768), bar, {722, 246}, 722, 2},
        {{1000, 500}, 1.0, QSizeF(1024, 768), bar, {921.6, 556.8}, 722, 2},
        // Without a screen the area is 1080 × 672.
        {{2160, 1344}, 1.0, std::nullopt, bar, {1080, 720}, 936, 1},
        // One pixel wide and a 24000-pixel scroll capture still open at a usable size.
        {{1, 50}, 1.0, QSizeF(1920, 1080), bar, {936, 98}, 936, 1},
        {{3840, 24000}, 1.0, QSizeF(1920, 1080), bar, {936, 972}, 936, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.pixels.width() << "x" << c.pixels.height() << " on "
                                        << (c.workArea ? c.workArea->width() : 0));
        const EditorWindowLayout layout = markupEditorLayout(c.pixels, c.scale, c.workArea, c.bar);
        EXPECT_DOUBLE_EQ(layout.content.width(), c.content.width());
        EXPECT_DOUBLE_EQ(layout.content.height(), c.content.height());
        EXPECT_EQ(layout.minimumWidth, c.minimumWidth);
        EXPECT_EQ(layout.barRows, c.rows);
    }
}
