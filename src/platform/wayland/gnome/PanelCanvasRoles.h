#pragma once

#include "platform/WindowRoles.h"
#include "platform/wayland/gnome/PanelCanvas.h"

#include <memory>

namespace moxilane::wayland {

// Roles where the compositor lets no client place a window: panels and markers are drawn on a
// full-screen canvas at their places; every other role as the given roles have it.
class PanelCanvasRoles final : public WindowRoles {
public:
    explicit PanelCanvasRoles(std::unique_ptr<WindowRoles> others) : m_others(std::move(others)) {}
    void prepare(QWidget& window, WindowRole role) override {
        if (role == WindowRole::panel || role == WindowRole::marker)
            m_canvas.adopt(window, role);
        else
            m_others->prepare(window, role);
    }
    bool takeKeyboard(QWidget& overlay) override { return m_others->takeKeyboard(overlay); }
    bool showsTranslucency() const override { return m_others->showsTranslucency(); }

private:
    std::unique_ptr<WindowRoles> m_others;
    PanelCanvas m_canvas;
};

}  // namespace moxilane::wayland
