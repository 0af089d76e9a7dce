#pragma once

#include <QImage>
#include <QWidget>

#include <functional>
#include <optional>

namespace moxilane {

class Alerts;
class Clipboard;
class SavePanel;
class WindowRoles;

// One capture pinned to the screen in a thin edge, without a window manager's frame, above
// other windows, shown without the focus.
// A left drag moves it, the wheel zooms it, a click gives it the focus for Esc; a double-click,
// Esc or "Close" in its menu closes it, and the menu also copies and saves the image.
class PinWindow final : public QWidget {
public:
    struct Services {
        WindowRoles& roles;
        Clipboard& clipboard;
        SavePanel& savePanel;
        Alerts& alerts;  // a Copy or Save As that failed, with the reason
    };
    // What Save As offers first: a file name and a folder (either may be empty).
    struct SaveOffer {
        QString fileName;
        QString folder;
    };
    // image is shared, never copied; sizePoints is its size at 100 %.
    PinWindow(const QImage& image, double scale, QSizeF sizePoints, SaveOffer offer,
              Services services);

    // The last call, whenever the window closes.
    std::function<void()> onClosed;

    static QString windowTitle() { return QStringLiteral("Moxilane Pin"); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void copyImage();
    void saveImageAs();

    QImage m_image;
    double m_scale;
    QSizeF m_sizePoints;
    double m_zoom = 1.0;
    SaveOffer m_offer;
    Services m_services;
    // Where the pointer holds the window while it is dragged (window points).
    std::optional<QPoint> m_dragGrip;
    bool m_closed = false;
};

}  // namespace moxilane
