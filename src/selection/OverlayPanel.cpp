#include "selection/OverlayPanel.h"

#include "platform/WindowRoles.h"

#include <QKeyEvent>
#include <QScreen>
#include <QWindow>

namespace moxilane {

OverlayPanel::OverlayPanel(QScreen* screen, WindowRoles& roles) : m_roles(roles) {
    roles.prepare(*this, WindowRole::overlay);
    // Every pixel is painted from the snapshot: no background fill first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setGeometry(screen->geometry());
    createWinId();
    windowHandle()->setScreen(screen);
}

bool OverlayPanel::takeKeyboard() {
    return isVisible() && m_roles.takeKeyboard(*this);
}

void OverlayPanel::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && onEscape) onEscape();
    // Every other key is swallowed, not passed on.
    event->accept();
}

void OverlayPanel::enterEvent(QEnterEvent* event) {
    if (onEnter) onEnter();
    QWidget::enterEvent(event);
}

}  // namespace moxilane
