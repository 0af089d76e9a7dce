#include "app/StatusMenu.h"

namespace moxilane {

StatusMenu::StatusMenu(StatusMenuModel& model, std::function<void(const MenuEntry&)> perform)
    : m_model(model), m_menu(std::make_unique<QMenu>()) {
    for (const MenuEntry& entry : StatusMenuModel::entries()) {
        if (entry.separatorBefore && !m_menu->isEmpty()) m_menu->addSeparator();
        QAction* item = m_menu->addAction(entry.title);
        if (!entry.shortcut.isEmpty()) {
            item->setShortcut(QKeySequence(entry.shortcut));
            item->setShortcutVisibleInContextMenu(true);
        }
        item->setCheckable(entry.checkable);
        if (entry.command != MenuCommand::Capture) m_items[entry.command] = item;
        // The entries live as long as the program.
        connect(item, &QAction::triggered, this, [perform, &entry] { perform(entry); });
    }
    connect(m_menu.get(), &QMenu::aboutToShow, this, &StatusMenu::menuNeedsUpdate);
}

void StatusMenu::menuNeedsUpdate() {
    for (const auto& [command, state] : m_model.menuNeedsUpdate()) {
        QAction* item = m_items.at(command);
        item->setText(state.title);
        item->setChecked(state.checked);
        item->setEnabled(state.enabled);
    }
}

}  // namespace moxilane
