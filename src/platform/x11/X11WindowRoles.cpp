#include "platform/x11/X11WindowRoles.h"

#include "platform/x11/X11Compositing.h"
#include "platform/x11/X11ScreenHold.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

namespace moxilane::x11 {

void X11WindowRoles::prepare(QWidget& window, WindowRole role) {
    if (role == WindowRole::menu) return;  // Qt's own pop-up window does
    Qt::WindowFlags flags = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                            Qt::X11BypassWindowManagerHint;
    // A pin stays focusable: outside the window manager's care, Qt gives it the input focus
    // itself when asked (on a click), which Esc then needs.
    if (role == WindowRole::thumbnail || role == WindowRole::marker)
        flags |= Qt::WindowDoesNotAcceptFocus;
    if (role == WindowRole::marker) flags |= Qt::WindowTransparentForInput;
    window.setWindowFlags(flags);
    window.setAttribute(Qt::WA_ShowWithoutActivating);
}

bool X11WindowRoles::takeKeyboard(QWidget& overlay) {
    return overlay.windowHandle() && overlay.windowHandle()->setKeyboardGrabEnabled(true);
}

bool X11WindowRoles::showsTranslucency() const {
    return compositingManagerRunning();
}

std::unique_ptr<HeldScreen> X11WindowRoles::holdScreen() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || m_held) return nullptr;  // one hold at a time
    if (!m_shadeFormat) m_shadeFormat = X11ScreenHold::shadeFormat(x11->connection());
    auto hold =
        X11ScreenHold::take(x11->connection(), *m_shadeFormat, [this] { m_held = nullptr; });
    m_held = hold.get();
    return hold;
}

}  // namespace moxilane::x11
