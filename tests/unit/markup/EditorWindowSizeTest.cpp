#include "markup/EditorWindowSize.h"

#include <gtest/gtest.h>

using namespace moxilane;

TEST(EditorWindowSize, ShrinksToTheWorkAreaNeverEnlargesAndKeepsTheWidth) {
    // 1500 × 1000 points into 1296 × 739.5: the height decides.
    EXPECT_EQ(markupEditorContentSize({3000, 2000}, 2.0, QSizeF(1440, 875)),
              QSizeF(1109.25, 787.5));
    EXPECT_EQ(markupEditorContentSize({200, 100}, 2.0, QSizeF(1440, 875)), QSizeF(640, 98));
    // Without a screen the area is 1080 × 672.
    EXPECT_EQ(markupEditorContentSize({2160, 1344}, 1.0, std::nullopt), QSizeF(1080, 720));
    // One pixel wide and a 24000-pixel scroll capture still open at a usable size.
    EXPECT_EQ(markupEditorContentSize({1, 50}, 1.0, QSizeF(1920, 1080)), QSizeF(640, 98));
    EXPECT_EQ(markupEditorContentSize({3840, 24000}, 1.0, QSizeF(1920, 1080)), QSizeF(640, 972));
}
