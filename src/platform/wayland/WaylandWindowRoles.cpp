#include "platform/wayland/WaylandWindowRoles.h"

#include "platform/wayland/LayerSurfaces.h"

#include <QEvent>
#include <QWidget>

namespace moxilane::wayland {

namespace {

// A toplevel cannot place itself: an overlay asks to be full screen on its screen each time
// it shows, whatever geometry the widget was given since.
class FullScreenOnShow final : public QObject {
public:
    explicit FullScreenOnShow(QWidget& window) : QObject(&window) {
        window.installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            auto* window = static_cast<QWidget*>(watched);
            if (!(window->windowState() & Qt::WindowFullScreen))
                window->setWindowState(window->windowState() | Qt::WindowFullScreen);
        }
        return false;
    }
};

}  // namespace

void WaylandWindowRoles::prepare(QWidget& window, WindowRole role) {
    Qt::WindowFlags flags = Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
    if (role == WindowRole::thumbnail || role == WindowRole::marker)
        flags |= Qt::WindowDoesNotAcceptFocus;
    if (role == WindowRole::marker) flags |= Qt::WindowTransparentForInput;
    if (role == WindowRole::overlay) {
        window.setWindowFlags(flags);
        new FullScreenOnShow(window);
        return;
    }
    if (role == WindowRole::menu) {
        // A pop-up needs an xdg parent, which a layer surface is not: the menu becomes a layer
        // surface of its own, at the place Qt gives it.
        if (m_layers.available()) {
            window.setWindowFlags(window.windowFlags() | Qt::BypassWindowManagerHint);
            m_layers.adopt(window, role);
        }
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

bool WaylandWindowRoles::takeKeyboard(QWidget& overlay) {
    overlay.activateWindow();
    return true;
}

}  // namespace moxilane::wayland
