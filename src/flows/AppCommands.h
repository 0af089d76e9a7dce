#pragma once

#include "platform/LoginItem.h"
#include "platform/Platform.h"
#include "platform/Questions.h"
#include "platform/Scheduler.h"
#include "platform/Services.h"
#include "platform/Settings.h"

namespace moxilane {

// The short modal exchanges of the tray menu: start at login (and its one-time offer
// after the first launch), About and Instructions. Main thread.
class AppCommands {
public:
    struct Services {
        Settings& settings;
        LoginItem& loginItem;
        Alerts& alerts;
        Questions& questions;
        Scheduler& scheduler;
        Session session = Session::x11;  // where the shortcuts are bound and what we run on
        DesktopShortcuts* desktopShortcuts = nullptr;  // where we may add ours; null: nowhere
    };
    explicit AppCommands(Services services);

    // At launch: the offer is made at most once per account, after the launch sequence
    // has finished, and only when starting at login is not on already. The setting is
    // written before anything shows, so a crash or kill cannot bring the offer back.
    void offerLaunchAtLoginOnce();
    void askLaunchAtLogin();
    // At launch, where the desktop binds the keys: the offer to add our shortcuts there,
    // made at most once per account, the setting written before anything shows.
    void offerDesktopShortcutsOnce();
    void askDesktopShortcuts();
    void toggleLaunchAtLogin();
    void showAbout();
    void showInstructions();

    static QString instructionsText(Session session);

private:
    Services m_services;
};

}  // namespace moxilane
