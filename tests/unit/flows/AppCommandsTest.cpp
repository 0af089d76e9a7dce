#include "fakes/FakeLoginItem.h"
#include "fakes/FakeScheduler.h"
#include "fakes/FakeServices.h"
#include "flows/AppCommands.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace moxilane;
using namespace moxilane::test;

namespace {

struct CommandsFixture {
    QTemporaryDir home;
    Settings settings{home.filePath("Moxilane.conf")};
    FakeLoginItem loginItem;
    FakeAlerts alerts;
    FakeQuestions questions;
    FakeScheduler scheduler;
    AppCommands::Services services{settings, loginItem, alerts, questions, scheduler};
    AppCommands commands{services};
};

}  // namespace

TEST(LaunchAtLoginOffer, ShownOnceAfterLaunchWithTheSettingWrittenFirst) {
    CommandsFixture f;
    bool writtenBeforeShown = false;
    f.questions.onAsk = [&] { writtenBeforeShown = f.settings.didAskLaunchAtLogin(); };
    f.commands.offerLaunchAtLoginOnce();
    // Nothing shows during the launch sequence itself.
    EXPECT_TRUE(f.questions.asked.empty());
    EXPECT_TRUE(f.settings.didAskLaunchAtLogin());
    f.scheduler.runUntilIdle();
    ASSERT_EQ(f.questions.asked, std::vector<QString>{"Launch Moxilane at Login?"});
    EXPECT_EQ(f.questions.buttons, (std::vector<QString>{"Launch at Login", "Not Now"}));
    EXPECT_TRUE(writtenBeforeShown);
    EXPECT_EQ(f.loginItem.current, LoginItemStatus::Enabled);

    // The next launch does not ask again, whatever the answer was.
    f.loginItem.current = LoginItemStatus::NotRegistered;
    f.commands.offerLaunchAtLoginOnce();
    f.scheduler.runUntilIdle();
    EXPECT_EQ(f.questions.asked.size(), 1u);
}

namespace {
class FakeDesktopShortcuts final : public DesktopShortcuts {
public:
    std::expected<int, QString> add(const std::vector<DesktopShortcut>& shortcuts) override {
        added = shortcuts;
        if (!failure.isEmpty()) return std::unexpected(failure);
        return int(shortcuts.size());
    }
    std::vector<DesktopShortcut> added;
    QString failure;
};
}  // namespace

// Where the desktop binds the keys, the shortcuts of the kinds table are offered once; a
// failure to add them is told, and a desktop with no such route is never asked.
TEST(DesktopShortcutsOffer, OfferedOnceAddsEveryShortcutAndTellsAFailure) {
    CommandsFixture accepting, failing, declined, elsewhere;
    FakeDesktopShortcuts desktop[3];
    desktop[1].failure = "dconf is not running";
    declined.questions.answer = false;
    CommandsFixture* withRoute[] = {&accepting, &failing, &declined};
    for (int i = 0; i < 3; ++i) {
        withRoute[i]->services.desktopShortcuts = &desktop[i];
    }
    for (CommandsFixture* f : {&accepting, &failing, &declined, &elsewhere}) {
        AppCommands commands{f->services};
        commands.offerDesktopShortcutsOnce();
        commands.offerDesktopShortcutsOnce();
        f->scheduler.runUntilIdle();
    }
    ASSERT_EQ(accepting.questions.asked,
              std::vector<QString>{"Add Moxilane's Shortcuts to GNOME?"});
    ASSERT_EQ(desktop[0].added.size(), 5u);
    EXPECT_EQ(desktop[0].added[0].command, "moxilane area");
    EXPECT_EQ(desktop[0].added[0].shortcut, "Ctrl+Shift+1");
    EXPECT_EQ(desktop[0].added[4].command, "moxilane text");
    EXPECT_TRUE(accepting.alerts.shown.empty());
    ASSERT_EQ(failing.alerts.shown.size(), 1u);
    EXPECT_EQ(failing.alerts.shown[0].text, "dconf is not running");
    EXPECT_TRUE(desktop[2].added.empty());
    EXPECT_TRUE(elsewhere.questions.asked.empty());
    EXPECT_FALSE(elsewhere.settings.didOfferDesktopShortcuts());
}

TEST(LaunchAtLoginOffer, NotShownWhenAlreadyOnAndSilentWhenRegisteringFails) {
    CommandsFixture already, failing, declined;
    already.loginItem.current = LoginItemStatus::Enabled;
    failing.loginItem.failure = "Not a directory";
    declined.questions.answer = false;
    for (CommandsFixture* f : {&already, &failing, &declined}) {
        f->commands.offerLaunchAtLoginOnce();
        f->scheduler.runUntilIdle();
        EXPECT_TRUE(f->settings.didAskLaunchAtLogin());
        EXPECT_TRUE(f->alerts.shown.empty());
    }
    EXPECT_TRUE(already.questions.asked.empty());
    EXPECT_EQ(failing.loginItem.changes, std::vector<QString>{"register"});
    EXPECT_TRUE(declined.loginItem.changes.empty());
}

TEST(ToggleLaunchAtLogin, RegistersUnlessOnAndShowsTheSystemsReasonOnFailure) {
    CommandsFixture f;
    f.commands.toggleLaunchAtLogin();
    f.commands.toggleLaunchAtLogin();
    EXPECT_EQ(f.loginItem.changes, (std::vector<QString>{"register", "unregister"}));
    EXPECT_TRUE(f.alerts.shown.empty());

    f.loginItem.failure = "The autostart folder “/x” couldn’t be made: Not a directory.";
    f.commands.toggleLaunchAtLogin();
    ASSERT_EQ(f.alerts.shown.size(), 1u);
    EXPECT_EQ(f.alerts.shown[0].message, "Could Not Change Launch at Login");
    EXPECT_EQ(f.alerts.shown[0].text, *f.loginItem.failure);
}

TEST(AboutAndInstructions, ExactTextsPerSession) {
    const QString shortcuts =
        "Global shortcuts:\n"
        "Ctrl+Shift+1 — capture an area (drag with the mouse)\n"
        "Ctrl+Shift+2 — capture a window (click the window)\n"
        "Ctrl+Shift+3 — capture the full screen\n"
        "Ctrl+Shift+4 — scrolling capture (select just the visible\n"
        "part, release, then scroll through the content\n"
        "with the mouse wheel and click Done — you get\n"
        "one tall image; Ctrl+Shift+4 again also finishes it)\n"
        "\n"
        "While selecting: Esc cancels the capture.\n"
        "\n";
    const QString keyboardSettings =
        "Bind the shortcuts in your keyboard settings to\n"
        "moxilane area (or window, screen, scroll); see\n"
        "moxilane --help and man moxilane for details.";
    const struct {
        Session session;
        const char* about;
        QString bindings;  // the Instructions' last three lines
    } rows[] = {
        {Session::x11, "Built on Qt and the X Window System.",
         "On X11 no capture permission is needed. If another\n"
         "program holds a shortcut, bind moxilane area (or\n"
         "window, screen, scroll) in your keyboard settings."},
        {Session::wlroots, "Built on Qt and Wayland.",
         "sway binds the shortcuts in its config file: add\n"
         "the bindsym lines that moxilane --help and\n"
         "man moxilane give, then reload sway."},
        {Session::kde, "Built on Qt and Wayland.",
         "Plasma lists these in System Settings, Shortcuts,\n"
         "Moxilane, where you may change them. Start it from\n"
         "its menu entry, or captures go the slower portal way."},
        {Session::gnome, "Built on Qt and Wayland.",
         "On the first capture GNOME asks if Moxilane may\n"
         "take screenshots: allow it. Moxilane offers once to\n"
         "add its shortcuts to GNOME's keyboard settings."},
        {Session::otherWayland, "Built on Qt and Wayland.", keyboardSettings},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(int(row.session));
        CommandsFixture f;
        f.services.session = row.session;
        AppCommands commands{f.services};
        commands.showAbout();
        commands.showInstructions();
        ASSERT_EQ(f.alerts.shown.size(), 2u);
        EXPECT_EQ(f.alerts.shown[0].message, "Moxilane 2.1");
        EXPECT_EQ(f.alerts.shown[0].text, row.about);
        EXPECT_EQ(f.alerts.shown[1].message, "Instructions");
        // Built from the capture kinds, yet these fourteen lines exactly: a new kind adds none.
        EXPECT_EQ(f.alerts.shown[1].text, shortcuts + row.bindings);
        EXPECT_EQ(f.alerts.shown[1].text.count('\n'), 13);
    }
}
