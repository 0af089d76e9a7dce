#include "platform/wayland/LayerSurfaces.h"

#include "platform/wayland/WaylandConnection.h"

// The protocol names a parameter "namespace", a C++ keyword.
#define namespace layer_namespace
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#undef namespace

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <wayland-client.h>

#include <cmath>
#include <map>
#include <mutex>

namespace moxilane::wayland {

namespace {

// Shown layer surfaces by window id, in desktop device pixels, for the capture worker.
std::mutex shownMutex;
std::map<std::uint32_t, QRect> shownSurfaces;

void recordShown(std::uint32_t id, std::optional<QRect> rect) {
    std::lock_guard lock(shownMutex);
    if (rect)
        shownSurfaces[id] = *rect;
    else
        shownSurfaces.erase(id);
}

QScreen* screenHolding(const QRect& geometry) {
    QScreen* screen = QGuiApplication::screenAt(geometry.center());
    return screen ? screen : QGuiApplication::primaryScreen();
}

}  // namespace

std::vector<QRect> ourSurfacesIn(const QRect& area, const std::vector<std::uint32_t>& windowIds) {
    std::vector<QRect> result;
    std::lock_guard lock(shownMutex);
    for (const std::uint32_t id : windowIds) {
        const auto it = shownSurfaces.find(id);
        if (it != shownSurfaces.end() && it->second.intersects(area))
            result.push_back(it->second.intersected(area));
    }
    return result;
}

// The role of one widget's window: made at the first expose of each surface Qt creates for
// it, moved with the window, dropped when it hides.
class LayerSurfaces::Surface final : public QObject {
public:
    Surface(QWidget& widget, WindowRole role, LayerSurfaces& owner)
        : QObject(&widget), m_widget(widget), m_role(role), m_owner(owner) {
        widget.installEventFilter(this);
    }
    ~Surface() override { drop(); }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &m_widget) {
            // The native window exists by the widget's show event; its surface only after.
            if (event->type() == QEvent::Show && m_widget.windowHandle() &&
                m_window != m_widget.windowHandle()) {
                m_window = m_widget.windowHandle();
                m_window->installEventFilter(this);
            }
            return false;
        }
        switch (event->type()) {
            case QEvent::Expose:
                if (m_window->isVisible() && surfaceOf(m_window) != m_surface) attach();
                break;
            case QEvent::Move:
            case QEvent::Resize:
                if (m_layer) place();
                break;
            case QEvent::Hide:
                drop();
                break;
            default:
                break;
        }
        return false;
    }

private:
    static constexpr zwlr_layer_surface_v1_listener kListener{
        .configure = [](void*, zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t,
                        uint32_t) { zwlr_layer_surface_v1_ack_configure(layer, serial); },
        .closed = [](void*, zwlr_layer_surface_v1*) {},
    };

    void attach() {
        drop();
        m_surface = surfaceOf(m_window);
        if (!m_surface) return;
        const QRect geometry = m_window->geometry();
        m_screen = screenHolding(geometry);
        // Panels, frames and menus go a layer above thumbnails and pins, since a compositor
        // may stack a newer surface of one layer below an older one (a thumbnail's menu).
        const bool above = m_role == WindowRole::panel || m_role == WindowRole::marker ||
                           m_role == WindowRole::menu;
        m_layer = zwlr_layer_shell_v1_get_layer_surface(
            m_owner.m_shell, m_surface, outputOf(m_screen),
            above ? ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY : ZWLR_LAYER_SHELL_V1_LAYER_TOP, "moxilane");
        zwlr_layer_surface_v1_add_listener(m_layer, &kListener, this);
        zwlr_layer_surface_v1_set_anchor(
            m_layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT);
        // Placed against the whole output, not the part a bar leaves.
        zwlr_layer_surface_v1_set_exclusive_zone(m_layer, -1);
        const bool takesKeys = m_role == WindowRole::pin || m_role == WindowRole::menu;
        if (takesKeys && zwlr_layer_surface_v1_get_version(m_layer) >= 4) {
            zwlr_layer_surface_v1_set_keyboard_interactivity(
                m_layer, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_ON_DEMAND);
        }
        // The compositor's first configure comes after a commit without a buffer and must be
        // answered before Qt attaches one.
        place();
        m_owner.m_queue->events().roundtrip();
    }

    void place() {
        const QRect geometry = m_window->geometry();
        const QRect screenArea = m_screen ? m_screen->geometry() : QRect();
        zwlr_layer_surface_v1_set_size(m_layer, std::uint32_t(geometry.width()),
                                       std::uint32_t(geometry.height()));
        zwlr_layer_surface_v1_set_margin(m_layer, geometry.y() - screenArea.y(), 0, 0,
                                         geometry.x() - screenArea.x());
        wl_surface_commit(m_surface);
        const double scale = m_screen ? m_screen->devicePixelRatio() : 1.0;
        recordShown(
            std::uint32_t(m_window->winId()),
            QRect(int(std::lround(geometry.x() * scale)), int(std::lround(geometry.y() * scale)),
                  int(std::lround(geometry.width() * scale)),
                  int(std::lround(geometry.height() * scale))));
        wl_display_flush(m_owner.m_queue->events().display());
    }

    void drop() {
        if (m_window) recordShown(std::uint32_t(m_window->winId()), std::nullopt);
        if (m_layer) zwlr_layer_surface_v1_destroy(m_layer);
        m_layer = nullptr;
        m_surface = nullptr;
    }

    QWidget& m_widget;
    WindowRole m_role;
    LayerSurfaces& m_owner;
    QPointer<QWindow> m_window;
    QScreen* m_screen = nullptr;
    wl_surface* m_surface = nullptr;
    zwlr_layer_surface_v1* m_layer = nullptr;
};

LayerSurfaces::LayerSurfaces(std::shared_ptr<MainThreadQueue> queue) : m_queue(std::move(queue)) {
    m_shell =
        static_cast<zwlr_layer_shell_v1*>(m_queue->events().bind(zwlr_layer_shell_v1_interface, 4));
}

LayerSurfaces::~LayerSurfaces() {
    if (m_shell) zwlr_layer_shell_v1_destroy(m_shell);
}

void LayerSurfaces::adopt(QWidget& widget, WindowRole role) {
    new Surface(widget, role, *this);
}

}  // namespace moxilane::wayland
