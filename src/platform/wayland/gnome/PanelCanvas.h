#pragma once

#include "platform/WindowRoles.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace moxilane::wayland {

// Where no client may place its windows: one transparent screen-sized window on which our
// panels and markers are drawn at the places the program gives them (global points, as
// move() and setGeometry() set them). Its input region is only the panels, so the pointer and
// the wheel reach the windows below everywhere else. Main thread.
class PanelCanvas final : public QObject {
public:
    PanelCanvas();
    ~PanelCanvas() override;

    // The widget (a panel or a marker, still without a native window) is drawn on the canvas
    // from now on; the canvas shows while any of them does.
    void adopt(QWidget& widget, WindowRole role);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Child {
        QPointer<QWidget> widget;
        WindowRole role;
        QRect globalRect;  // points, where the program put it
        QRect placedRect;  // on the canvas, where we put it
    };
    void relayout();
    void applyInputRegion();

    std::unique_ptr<QWidget> m_window;
    std::vector<Child> m_children;
    QRegion m_inputRegion;
    bool m_placing = false;
};

// Where the shown panels and markers of canvases with those window ids lie within area
// (desktop device pixels, as the capture service counts them). Any thread.
[[nodiscard]] std::vector<QRect> panelCanvasPixelsIn(const QRect& area,
                                                     const std::vector<std::uint32_t>& windowIds);

}  // namespace moxilane::wayland
