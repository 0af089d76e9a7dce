#include "platform/x11/TopLevelRedirects.h"

#include <gtest/gtest.h>

using namespace moxilane::x11;
using Step = TopLevelRedirects::Step;

namespace {

// Ids as the server hands them out: the root and the overlay layer are the server's own, ours
// come from one client's range, the window manager's and other programs' from others.
constexpr std::uint32_t kMask = 0x1fffff;
constexpr std::uint32_t kRoot = 0x3ec, kOverlayLayer = 0x3f0;
constexpr std::uint32_t kOurs = 0x800000, kWm = 0x600000, kOther = 0xa00000;

TopLevelRedirects redirects() {
    return TopLevelRedirects(kRoot, {.ourBase = kOurs, .mask = kMask});
}

}  // namespace

TEST(TopLevelRedirects, OthersAtOnceOursOnlyOnceShownTheServersNever) {
    TopLevelRedirects r = redirects();
    EXPECT_EQ(r.existing(kWm + 5), Step::now);
    EXPECT_EQ(r.existing(kOther + 1), Step::now);
    EXPECT_EQ(r.existing(kOverlayLayer), Step::none);
    EXPECT_EQ(r.existing(kOurs + 1), Step::none);
    EXPECT_EQ(r.mapped(kWm + 5, kRoot), Step::none) << "redirected once";

    EXPECT_EQ(r.created(kOther + 2, kRoot, true), Step::now) << "a menu is never framed";
    EXPECT_EQ(r.created(kOverlayLayer, kRoot, true), Step::none);
    // Our overlays may go onto the screen hold, where a redirect would cost a 4K pixmap.
    EXPECT_EQ(r.created(kOurs + 2, kRoot, true), Step::none);
    EXPECT_EQ(r.mapped(kOverlayLayer, kRoot), Step::none);

    // Another program's frame: redirected as it maps.
    EXPECT_EQ(r.created(kWm + 10, kRoot, false), Step::none);
    r.reparented(kOther + 3, kWm + 10);
    EXPECT_EQ(r.mapped(kWm + 10, kRoot), Step::now);
    // Our editor's frame: later, and only while it is still shown.
    EXPECT_EQ(r.created(kWm + 11, kRoot, false), Step::none);
    r.reparented(kOurs + 3, kWm + 11);
    EXPECT_EQ(r.mapped(kWm + 11, kRoot), Step::later);
    EXPECT_TRUE(r.due(kWm + 11));
    EXPECT_FALSE(r.due(kWm + 11)) << "once";
    r.reparented(kOurs + 4, kWm + 12);
    EXPECT_EQ(r.mapped(kWm + 12, kRoot), Step::later);
    r.unmapped(kWm + 12);
    EXPECT_FALSE(r.due(kWm + 12));
    // One of ours shown on the root, then put on the screen hold before its time came.
    EXPECT_EQ(r.mapped(kOurs + 5, kRoot), Step::later);
    r.reparented(kOurs + 5, kOverlayLayer);
    EXPECT_FALSE(r.due(kOurs + 5));
    EXPECT_EQ(r.mapped(kOurs + 6, kOverlayLayer), Step::none) << "not a child of the root";
}

TEST(TopLevelRedirects, AnIdGivenOutAgainIsANewWindow) {
    TopLevelRedirects r = redirects();
    r.reparented(kOurs + 1, kWm + 1);
    EXPECT_EQ(r.mapped(kWm + 1, kRoot), Step::later);
    r.destroyed(kWm + 1);
    // The window manager's next frame, with the same id, holds another program's window.
    EXPECT_EQ(r.created(kWm + 1, kRoot, false), Step::none);
    EXPECT_EQ(r.mapped(kWm + 1, kRoot), Step::now);
    r.destroyed(kWm + 1);
    EXPECT_EQ(r.mapped(kWm + 1, kRoot), Step::now) << "its redirect went with it";
}
