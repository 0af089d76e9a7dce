#pragma once

#include "delivery/SaveLocationStore.h"
#include "flows/CaptureKinds.h"
#include "platform/LoginItem.h"
#include "platform/Settings.h"

#include <QString>

#include <map>
#include <vector>

namespace moxilane {

enum class MenuCommand {
    Capture,  // the entry's capture kind
    ToggleClipboard,
    ToggleAlsoCopy,
    ToggleOpenAfter,
    ToggleShadow,
    ChooseFolder,
    RevealFolder,
    ToggleLaunchAtLogin,
    ShowInstructions,
    ShowAbout,
    Quit,
};

// One line of the tray menu, in order. A separator comes before it when asked.
struct MenuEntry {
    MenuCommand command;
    QString title;
    QString shortcut;  // shown beside the title, e.g. "Ctrl+Shift+1"
    bool separatorBefore = false;
    bool checkable = false;
    CaptureCommand capture = {};  // for Capture
};

// What a kept item shows the moment the menu opens.
struct MenuItemState {
    QString title;
    bool checkable = false;
    bool checked = false;
    bool enabled = true;
};

// The tray menu without widgets: its lines, what the kept ones show (read from the
// settings, the save folder and the login item each time the menu opens, never cached),
// and the four setting toggles.
class StatusMenuModel {
public:
    StatusMenuModel(Settings& settings, SaveLocationStore& saveLocation, LoginItem& loginItem);

    static const std::vector<MenuEntry>& entries();

    // The kept items: the four settings, the save folder and Launch at Login.
    std::map<MenuCommand, MenuItemState> menuNeedsUpdate() const;

    // Flips one setting and writes it at once; the menu shows it when it next opens.
    // False for a command that is not a setting toggle.
    bool toggle(MenuCommand command);

private:
    static std::vector<MenuEntry> captureEntries();
    static const std::vector<MenuEntry>& settingEntries();
    QString folderTitle() const;

    Settings& m_settings;
    SaveLocationStore& m_saveLocation;
    LoginItem& m_loginItem;
};

}  // namespace moxilane
