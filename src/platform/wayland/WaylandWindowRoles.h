#pragma once

#include "platform/WindowRoles.h"

namespace moxilane::wayland {

class LayerSurfaces;

// Roles on Wayland: an overlay is a frameless full-screen window on its screen; the small
// windows are layer surfaces where the compositor offers them, else plain frameless windows
// that the compositor places as it likes.
class WaylandWindowRoles final : public WindowRoles {
public:
    explicit WaylandWindowRoles(LayerSurfaces& layers) : m_layers(layers) {}
    void prepare(QWidget& window, WindowRole role) override;
    // The compositor gives a new full-screen window the keyboard focus; no client can grab it.
    bool takeKeyboard(QWidget& overlay) override;
    // Every Wayland compositor composites.
    bool showsTranslucency() const override { return true; }

private:
    LayerSurfaces& m_layers;
};

}  // namespace moxilane::wayland
