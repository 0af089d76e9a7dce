#include "platform/x11/X11WindowRoles.h"

#include <QWidget>

namespace moxilane::x11 {

void X11WindowRoles::prepare(QWidget& window, WindowRole role) {
    Qt::WindowFlags flags = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                            Qt::X11BypassWindowManagerHint;
    if (role == WindowRole::thumbnail) flags |= Qt::WindowDoesNotAcceptFocus;
    window.setWindowFlags(flags);
    window.setAttribute(Qt::WA_ShowWithoutActivating);
}

}  // namespace moxilane::x11
