#pragma once

#include <QWidget>

#include <functional>

class QScreen;

namespace moxilane {

class WindowRoles;

// A borderless window over one whole screen, above every other window and left alone by the
// window manager; both selection overlays draw on it. It never takes the focus: keys reach
// it through a keyboard grab.
class OverlayPanel : public QWidget {
    Q_OBJECT
public:
    OverlayPanel(QScreen* screen, WindowRoles& roles);

    // Takes the keyboard for this window. False while another program holds it.
    bool takeKeyboard();

    std::function<void()> onEscape;
    std::function<void()> onEnter;  // the pointer came onto this screen

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;

private:
    WindowRoles& m_roles;
};

}  // namespace moxilane
