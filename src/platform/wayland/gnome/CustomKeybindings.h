#pragma once

#include "platform/DesktopShortcuts.h"

#include <QStringList>

#include <optional>

namespace moxilane::wayland {

// One custom key binding of GNOME's media-keys settings: where it lives and what it holds.
struct CustomKeybinding {
    QString path;  // "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/…/"
    QString name;
    QString command;
    QString binding;  // GTK's accelerator form: "<Control><Shift>1"
};

// The accelerator GNOME writes for a shortcut as menus write it ("Ctrl+Shift+1").
[[nodiscard]] QString gnomeAccelerator(const QString& shortcut);

// What adding the shortcuts to the user's list of custom key binding paths takes: the list
// with ours appended after the user's, and the bindings to write. A shortcut whose path is
// in the list already is left as it is (the user may have changed its key).
struct KeybindingPlan {
    QStringList paths;
    std::vector<CustomKeybinding> toWrite;
};
[[nodiscard]] KeybindingPlan planKeybindings(const QStringList& userPaths,
                                             const std::vector<DesktopShortcut>& shortcuts);

// GNOME Shell's major version, asked of the shell itself; nothing when it does not answer.
[[nodiscard]] std::optional<int> gnomeShellVersion();
// GNOME 48 brought the GlobalShortcuts portal, the route for shortcuts from there on;
// before it, custom key bindings are the only one. An unknown version is taken as old.
[[nodiscard]] inline bool hasGlobalShortcutsPortal(std::optional<int> shellVersion) {
    return shellVersion && *shellVersion >= 48;
}

// GNOME's custom keyboard shortcuts (Settings > Keyboard), written through GSettings; the
// media-keys daemon runs their commands.
class CustomKeybindings final : public DesktopShortcuts {
public:
    std::expected<int, QString> add(const std::vector<DesktopShortcut>& shortcuts) override;
};

}  // namespace moxilane::wayland
