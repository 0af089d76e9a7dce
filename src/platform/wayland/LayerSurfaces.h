#pragma once

#include "platform/WindowRoles.h"

#include <QObject>
#include <QRect>

#include <cstdint>
#include <vector>

class QWidget;
struct zwlr_layer_shell_v1;

namespace moxilane::wayland {

class MainThreadQueue;

// Our small windows as layer surfaces, where the compositor offers the layer shell: they lie
// where the program moves them, above other windows, and take the keyboard only if a pin is
// clicked. Qt makes no shell surface for a window with the bypass hint (the environment says so
// before the first window shows); the role is given to its surface at each first expose,
// before Qt attaches a buffer. Main thread.
class LayerSurfaces final : public QObject {
public:
    explicit LayerSurfaces(std::shared_ptr<MainThreadQueue> queue);
    ~LayerSurfaces() override;
    bool available() const { return m_shell != nullptr; }
    // The widget's native window becomes a layer surface whenever it is shown.
    void adopt(QWidget& widget, WindowRole role);

private:
    class Surface;
    std::shared_ptr<MainThreadQueue> m_queue;
    zwlr_layer_shell_v1* m_shell = nullptr;
};

// Where our shown layer surfaces of those window ids lie within area (desktop device pixels,
// as the capture service counts them). Any thread.
std::vector<QRect> ourSurfacesIn(const QRect& area, const std::vector<std::uint32_t>& windowIds);

}  // namespace moxilane::wayland
