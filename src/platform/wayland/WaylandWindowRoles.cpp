#include "platform/wayland/WaylandWindowRoles.h"

#include "platform/wayland/LayerSurfaces.h"

#include <QWidget>

namespace moxilane::wayland {

void WaylandWindowRoles::prepare(QWidget& window, WindowRole role) {
    Qt::WindowFlags flags = Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
    if (role == WindowRole::thumbnail || role == WindowRole::marker)
        flags |= Qt::WindowDoesNotAcceptFocus;
    if (role == WindowRole::marker) flags |= Qt::WindowTransparentForInput;
    if (role == WindowRole::overlay) {
        window.setWindowFlags(flags);
        // Shown full screen on the screen the overlay sets: a toplevel cannot place itself.
        window.setWindowState(Qt::WindowFullScreen);
        return;
    }
    if (m_layers.available()) {
        window.setWindowFlags(flags | Qt::BypassWindowManagerHint);
        m_layers.adopt(window, role);
    } else {
        window.setWindowFlags(flags | Qt::Tool);
    }
    window.setAttribute(Qt::WA_ShowWithoutActivating);
}

}  // namespace moxilane::wayland
