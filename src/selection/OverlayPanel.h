#pragma once

#include <QRegion>
#include <QWidget>

#include <functional>

class QScreen;

namespace moxilane {

class HeldScreen;
class WindowRoles;

// A borderless window over one whole screen, above every other window and left alone by the
// window manager; both selection overlays draw on it. It never takes the focus: keys reach
// it through a keyboard grab. Its picture is the screen's snapshot under a black shade with
// marks on top; on a held screen only what differs from the screen's own pixels is painted.
class OverlayPanel : public QWidget {
    Q_OBJECT
public:
    OverlayPanel(QScreen* screen, WindowRoles& roles);

    // Takes the keyboard for this window. False while another program holds it.
    bool takeKeyboard();

    std::function<void()> onEscape;
    std::function<void()> onEnter;  // the pointer came onto this screen

protected:
    // Paints the whole picture over area (view points); the painter is clipped to it.
    virtual void paintArea(QPainter& painter, const QRect& area) = 0;
    // Where the picture is anything but the snapshot under the shade (view points).
    virtual QRegion marked() const = 0;
    // The shade's black, 0–255.
    virtual int shadeAlpha() const = 0;

    void paintEvent(QPaintEvent* event) final;
    // None: on a held screen the panel paints through the window system itself.
    QPaintEngine* paintEngine() const override { return nullptr; }
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;

private:
    void paintOnHeldScreen(const QRegion& area);

    WindowRoles& m_roles;
    HeldScreen* m_held = nullptr;
    bool m_shaded = false;
    QRegion m_plainShown;  // device pixels that show the shaded snapshot
};

}  // namespace moxilane
