#include "platform/wayland/gnome/CustomKeybindings.h"

#include <gtest/gtest.h>

using namespace moxilane;
using namespace moxilane::wayland;

// Ours go after the user's own, which stay; a second run, or a binding already there, adds
// nothing twice.
TEST(CustomKeybindings, AppendedAfterTheUsersOwnAndNeverTwice) {
    const QString base = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/";
    const std::vector<DesktopShortcut> ours{
        {"Moxilane: Capture Area", "moxilane area", "Ctrl+Shift+1"},
        {"Moxilane: Capture Text", "moxilane text", "Ctrl+Shift+5"}};
    const KeybindingPlan first = planKeybindings({base + "custom0/"}, ours);
    EXPECT_EQ(first.paths,
              (QStringList{base + "custom0/", base + "moxilane-area/", base + "moxilane-text/"}));
    ASSERT_EQ(first.toWrite.size(), 2u);
    EXPECT_EQ(first.toWrite[0].path, base + "moxilane-area/");
    EXPECT_EQ(first.toWrite[0].name, "Moxilane: Capture Area");
    EXPECT_EQ(first.toWrite[0].command, "moxilane area");
    EXPECT_EQ(first.toWrite[0].binding, "<Control><Shift>1");

    const KeybindingPlan again = planKeybindings(first.paths, ours);
    EXPECT_EQ(again.paths, first.paths);
    EXPECT_TRUE(again.toWrite.empty());

    const KeybindingPlan partly = planKeybindings({base + "moxilane-text/"}, ours);
    EXPECT_EQ(partly.paths, (QStringList{base + "moxilane-text/", base + "moxilane-area/"}));
    EXPECT_EQ(partly.toWrite.size(), 1u);
}

TEST(CustomKeybindings, ThePortalRouteFromGnome48On) {
    EXPECT_FALSE(hasGlobalShortcutsPortal(std::nullopt));
    EXPECT_FALSE(hasGlobalShortcutsPortal(43));
    EXPECT_TRUE(hasGlobalShortcutsPortal(48));
}
