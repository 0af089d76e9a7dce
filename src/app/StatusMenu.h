#pragma once

#include "flows/StatusMenuModel.h"

#include <QMenu>
#include <QObject>

#include <functional>
#include <map>
#include <memory>

namespace moxilane {

// The tray's QMenu over StatusMenuModel: built once, refreshed from the model each time it
// is about to open, and every choice handed to perform.
class StatusMenu final : public QObject {
    Q_OBJECT
public:
    StatusMenu(StatusMenuModel& model, std::function<void(const MenuEntry&)> perform);
    QMenu* menu() const { return m_menu.get(); }

private:
    void menuNeedsUpdate();

    StatusMenuModel& m_model;
    std::unique_ptr<QMenu> m_menu;
    std::map<MenuCommand, QAction*> m_items;  // owned by m_menu
};

}  // namespace moxilane
