#include "fakes/FakeLoginItem.h"
#include "fakes/FakeServices.h"
#include "flows/StatusMenuModel.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace moxilane;
using namespace moxilane::test;
using C = MenuCommand;

namespace {

struct MenuFixture {
    QTemporaryDir home;
    Settings settings{home.filePath("Moxilane.conf")};
    FakeFolderPicker picker;
    SaveLocationStore saveLocation{settings, picker};
    FakeLoginItem loginItem;
    StatusMenuModel model{settings, saveLocation, loginItem};

    // Check mark and enabled state of the five items with check marks, in menu order.
    std::vector<std::pair<bool, bool>> marks() const {
        std::vector<std::pair<bool, bool>> result;
        const auto states = model.menuNeedsUpdate();
        for (C c : {C::ToggleClipboard, C::ToggleAlsoCopy, C::ToggleOpenAfter, C::ToggleShadow,
                    C::ToggleLaunchAtLogin})
            result.emplace_back(states.at(c).checked, states.at(c).enabled);
        return result;
    }
};

}  // namespace

TEST(StatusMenuModel, SixteenItemsInOrderWithSeparatorsAndShortcuts) {
    QStringList lines;
    for (const MenuEntry& entry : StatusMenuModel::entries()) {
        if (entry.separatorBefore) lines << "---";
        lines << entry.title + (entry.shortcut.isEmpty() ? "" : " [" + entry.shortcut + "]");
    }
    EXPECT_EQ(lines, (QStringList{"Capture Area [Ctrl+Shift+1]",
                                  "Capture Window [Ctrl+Shift+2]",
                                  "Capture Full Screen [Ctrl+Shift+3]",
                                  "Capture Scrolling [Ctrl+Shift+4]",
                                  "Capture Text [Ctrl+Shift+5]",
                                  "Full Screen After 5 Seconds",
                                  "---",
                                  "Clipboard Only (No File)",
                                  "Also Copy to Clipboard (Ctrl+V)",
                                  "Open After Saving",
                                  "Shadow on Window Captures",
                                  "---",
                                  "Save To…",
                                  "Show Captures Folder in File Manager",
                                  "---",
                                  "Launch at Login",
                                  "Instructions",
                                  "About Moxilane",
                                  "---",
                                  "Quit Moxilane [Ctrl+Q]"}));
}

TEST(StatusMenuModel, ChecksAndEnabledStatesFollowTheStoredSettingsEachTimeTheMenuOpens) {
    MenuFixture f;
    using Marks = std::vector<std::pair<bool, bool>>;
    // Fresh account: clipboard only off, also copy on, open after off, shadow on, no login.
    EXPECT_EQ(f.marks(),
              (Marks{{false, true}, {true, true}, {false, true}, {true, true}, {false, true}}));
    EXPECT_EQ(f.model.menuNeedsUpdate().at(C::ChooseFolder).title, "Save To: not set…");

    // Also copy on a fresh account writes false (absent counted as true).
    ASSERT_TRUE(f.model.toggle(C::ToggleAlsoCopy));
    EXPECT_FALSE(f.settings.alsoCopyToClipboard());
    ASSERT_TRUE(f.model.toggle(C::ToggleOpenAfter));
    // Clipboard only greys out items 7 and 8, which keep their check marks.
    ASSERT_TRUE(f.model.toggle(C::ToggleClipboard));
    EXPECT_EQ(f.marks(),
              (Marks{{true, true}, {false, false}, {true, false}, {true, true}, {false, true}}));
    ASSERT_TRUE(f.model.toggle(C::ToggleClipboard));
    ASSERT_TRUE(f.model.toggle(C::ToggleShadow));
    f.loginItem.current = LoginItemStatus::Enabled;
    EXPECT_EQ(f.marks(),
              (Marks{{false, true}, {false, true}, {true, true}, {false, true}, {true, true}}));
    // Only the four settings toggle here.
    EXPECT_FALSE(f.model.toggle(C::ToggleLaunchAtLogin));
    EXPECT_FALSE(f.model.toggle(C::Capture));
}

TEST(StatusMenuModel, SaveToShowsTheFolderNameOrNotSet) {
    MenuFixture f;
    const QString shots = f.home.filePath("Screenshots");
    ASSERT_TRUE(QDir().mkpath(shots));
    f.settings.setSaveFolderBookmark(shots);
    EXPECT_EQ(f.model.menuNeedsUpdate().at(C::ChooseFolder).title, "Save To: Screenshots…");
    // Removed while the program runs: the next opening says so.
    ASSERT_TRUE(QDir(shots).removeRecursively());
    EXPECT_EQ(f.model.menuNeedsUpdate().at(C::ChooseFolder).title, "Save To: not set…");
}
