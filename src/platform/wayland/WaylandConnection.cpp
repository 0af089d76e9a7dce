#include "platform/wayland/WaylandConnection.h"

#include <qpa/qplatformnativeinterface.h>
#include <QGuiApplication>
#include <QScreen>
#include <QSocketNotifier>
#include <QWindow>

#include <wayland-client.h>

#include <poll.h>

#include <algorithm>
#include <cstring>

namespace moxilane::wayland {

namespace {
QPlatformNativeInterface* native() {
    return QGuiApplication::platformName() == QLatin1String("wayland")
               ? QGuiApplication::platformNativeInterface()
               : nullptr;
}
}  // namespace

wl_display* qtDisplay() {
    auto* interface = native();
    return interface ? static_cast<wl_display*>(
                           interface->nativeResourceForIntegration(QByteArrayLiteral("wl_display")))
                     : nullptr;
}

wl_surface* surfaceOf(QWindow* window) {
    auto* interface = native();
    if (!interface || !window || !window->handle()) return nullptr;
    return static_cast<wl_surface*>(
        interface->nativeResourceForWindow(QByteArrayLiteral("surface"), window));
}

wl_output* outputOf(QScreen* screen) {
    auto* interface = native();
    if (!interface || !screen) return nullptr;
    return static_cast<wl_output*>(
        interface->nativeResourceForScreen(QByteArrayLiteral("output"), screen));
}

EventQueue::EventQueue(wl_display* display)
    : m_display(display),
      m_queue(wl_display_create_queue(display)),
      m_wrapper(static_cast<wl_display*>(wl_proxy_create_wrapper(display))) {
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(m_wrapper), m_queue);
    m_registry = wl_display_get_registry(m_wrapper);
    static const wl_registry_listener listener{&EventQueue::onGlobal, &EventQueue::onGlobalRemove};
    wl_registry_add_listener(m_registry, &listener, this);
    roundtrip();
}

EventQueue::~EventQueue() {
    wl_registry_destroy(m_registry);
    wl_proxy_wrapper_destroy(m_wrapper);
    wl_event_queue_destroy(m_queue);
}

bool EventQueue::roundtrip() {
    return wl_display_roundtrip_queue(m_display, m_queue) >= 0;
}

bool EventQueue::dispatch() {
    return wl_display_dispatch_queue(m_display, m_queue) >= 0;
}

bool EventQueue::dispatchPending() {
    return wl_display_dispatch_queue_pending(m_display, m_queue) >= 0;
}

const EventQueue::Global* EventQueue::find(const char* interface) const {
    const auto it = std::ranges::find(m_globals, std::string(interface), &Global::interface);
    return it == m_globals.end() ? nullptr : &*it;
}

void* EventQueue::bind(const wl_interface& interface, std::uint32_t maxVersion) {
    const Global* global = find(interface.name);
    return global ? bind(*global, interface, maxVersion) : nullptr;
}

void* EventQueue::bind(const Global& global, const wl_interface& interface,
                       std::uint32_t maxVersion) {
    return wl_registry_bind(m_registry, global.name, &interface,
                            std::min(global.version, maxVersion));
}

std::vector<std::uint32_t> EventQueue::takeRemoved() {
    return std::exchange(m_removed, {});
}

void EventQueue::onGlobal(void* data, wl_registry*, std::uint32_t name, const char* interface,
                          std::uint32_t version) {
    static_cast<EventQueue*>(data)->m_globals.push_back({name, interface, version});
}

void EventQueue::onGlobalRemove(void* data, wl_registry*, std::uint32_t name) {
    auto* self = static_cast<EventQueue*>(data);
    std::erase_if(self->m_globals, [name](const Global& g) { return g.name == name; });
    self->m_removed.push_back(name);
}

MainThreadQueue::MainThreadQueue(wl_display* display)
    : m_events(display),
      m_notifier(new QSocketNotifier(wl_display_get_fd(display), QSocketNotifier::Read, this)) {
    connect(m_notifier, &QSocketNotifier::activated, this, &MainThreadQueue::readAndDispatch);
}

MainThreadQueue::~MainThreadQueue() = default;

void MainThreadQueue::flush() {
    wl_display_flush(m_events.display());
    readAndDispatch();
}

// Qt's own thread reads the same socket; libwayland sorts what either reads into the queues,
// so this reads when data waits and then dispatches only what is ours.
void MainThreadQueue::readAndDispatch() {
    wl_display* display = m_events.display();
    while (wl_display_prepare_read_queue(display, m_events.queue()) != 0) {
        if (!m_events.dispatchPending()) return;  // a broken connection, which Qt reports
    }
    wl_display_flush(display);
    pollfd fd{wl_display_get_fd(display), POLLIN, 0};
    if (::poll(&fd, 1, 0) > 0)
        wl_display_read_events(display);
    else
        wl_display_cancel_read(display);
    m_events.dispatchPending();
}

}  // namespace moxilane::wayland
