#include "flows/StatusMenuModel.h"

#include <QFileInfo>

namespace moxilane {

StatusMenuModel::StatusMenuModel(Settings& settings, SaveLocationStore& saveLocation,
                                 LoginItem& loginItem)
    : m_settings(settings), m_saveLocation(saveLocation), m_loginItem(loginItem) {}

const std::vector<MenuEntry>& StatusMenuModel::entries() {
    static const std::vector<MenuEntry> menu = [] {
        std::vector<MenuEntry> lines = captureEntries();
        lines.insert(lines.end(), settingEntries().begin(), settingEntries().end());
        return lines;
    }();
    return menu;
}

// The capture kinds with a shortcut, then those without.
std::vector<MenuEntry> StatusMenuModel::captureEntries() {
    std::vector<MenuEntry> lines;
    for (const bool withShortcut : {true, false}) {
        for (const CaptureKind& kind : captureKinds()) {
            if (kind.shortcut.empty() == withShortcut) continue;
            lines.push_back({.command = MenuCommand::Capture,
                             .title = kindText(kind.menuTitle),
                             .shortcut = kindText(kind.shortcut),
                             .capture = kind.command});
        }
    }
    return lines;
}

const std::vector<MenuEntry>& StatusMenuModel::settingEntries() {
    using C = MenuCommand;
    static const std::vector<MenuEntry> menu{
        {C::ToggleClipboard, QStringLiteral("Clipboard Only (No File)"), {}, true, true},
        {C::ToggleAlsoCopy, QStringLiteral("Also Copy to Clipboard (Ctrl+V)"), {}, false, true},
        {C::ToggleOpenAfter, QStringLiteral("Open After Saving"), {}, false, true},
        {C::ToggleShadow, QStringLiteral("Shadow on Window Captures"), {}, false, true},
        {C::ChooseFolder, QStringLiteral("Save To…"), {}, true},
        {C::RevealFolder, QStringLiteral("Show Captures Folder in File Manager"), {}},
        {C::ToggleLaunchAtLogin, QStringLiteral("Launch at Login"), {}, true, true},
        {C::ShowInstructions, QStringLiteral("Instructions"), {}},
        {C::ShowAbout, QStringLiteral("About Moxilane"), {}},
        {C::Quit, QStringLiteral("Quit Moxilane"), QStringLiteral("Ctrl+Q"), true},
    };
    return menu;
}

std::map<MenuCommand, MenuItemState> StatusMenuModel::menuNeedsUpdate() const {
    using C = MenuCommand;
    const bool clipboardOnly = m_settings.copyToClipboard();
    auto titleOf = [](MenuCommand command) {
        for (const MenuEntry& entry : entries())
            if (entry.command == command) return entry.title;
        return QString();
    };
    auto setting = [&](MenuCommand command, bool checked, bool enabled = true) {
        return MenuItemState{titleOf(command), true, checked, enabled};
    };
    // A disabled item keeps its check mark: it still shows the stored value.
    return {
        {C::ToggleClipboard, setting(C::ToggleClipboard, clipboardOnly)},
        {C::ToggleAlsoCopy,
         setting(C::ToggleAlsoCopy, m_settings.alsoCopyToClipboard(), !clipboardOnly)},
        {C::ToggleOpenAfter,
         setting(C::ToggleOpenAfter, m_settings.openAfterCapture(), !clipboardOnly)},
        {C::ToggleShadow, setting(C::ToggleShadow, m_settings.windowShadow())},
        {C::ChooseFolder, MenuItemState{folderTitle()}},
        {C::ToggleLaunchAtLogin,
         setting(C::ToggleLaunchAtLogin, m_loginItem.status() == LoginItemStatus::Enabled)},
    };
}

QString StatusMenuModel::folderTitle() const {
    const auto folder = m_saveLocation.currentFolder();
    QString name = folder ? QFileInfo(*folder).fileName() : QStringLiteral("not set");
    // The root folder has no last component; show it as "/".
    if (name.isEmpty()) name = *folder;
    return QStringLiteral("Save To: %1…").arg(name);
}

bool StatusMenuModel::toggle(MenuCommand command) {
    switch (command) {
        case MenuCommand::ToggleClipboard:
            m_settings.setCopyToClipboard(!m_settings.copyToClipboard());
            return true;
        case MenuCommand::ToggleAlsoCopy:
            m_settings.setAlsoCopyToClipboard(!m_settings.alsoCopyToClipboard());
            return true;
        case MenuCommand::ToggleOpenAfter:
            m_settings.setOpenAfterCapture(!m_settings.openAfterCapture());
            return true;
        case MenuCommand::ToggleShadow:
            m_settings.setWindowShadow(!m_settings.windowShadow());
            return true;
        default:
            return false;
    }
}

}  // namespace moxilane
