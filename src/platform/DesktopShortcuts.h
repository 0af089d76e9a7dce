#pragma once

#include <QString>

#include <expected>
#include <vector>

namespace moxilane {

// A key binding the desktop keeps, running one of our commands.
struct DesktopShortcut {
    QString name;      // as the desktop's keyboard settings list it
    QString command;   // "moxilane area"
    QString shortcut;  // as menus write it: "Ctrl+Shift+1"
};

// The desktop's own key bindings, where no program may grab keys itself and the program
// offers to add its shortcuts there (GNOME's custom keyboard shortcuts).
class DesktopShortcuts {
public:
    virtual ~DesktopShortcuts() = default;
    // Adds those not bound yet, after the user's own, which stay as they are: how many were
    // added. Fails with the desktop's reason.
    [[nodiscard]] virtual std::expected<int, QString> add(
        const std::vector<DesktopShortcut>& shortcuts) = 0;
};

}  // namespace moxilane
