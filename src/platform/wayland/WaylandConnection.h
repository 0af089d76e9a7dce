#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

class QScreen;
class QSocketNotifier;
class QWindow;
struct wl_display;
struct wl_event_queue;
struct wl_interface;
struct wl_output;
struct wl_registry;
struct wl_surface;

namespace moxilane::wayland {

// Qt's connection to the compositor; null when Qt does not run on Wayland.
wl_display* qtDisplay();
// The surface Qt made for a shown window; null while it is hidden.
wl_surface* surfaceOf(QWindow* window);
wl_output* outputOf(QScreen* screen);

// An event queue of ours on Qt's connection, with its own registry: objects bound through it
// deliver their events only while this queue is dispatched, on the thread that dispatches it,
// so Qt's own objects and threads are never disturbed.
class EventQueue {
public:
    struct Global {
        std::uint32_t name = 0;
        std::string interface;
        std::uint32_t version = 0;
    };

    explicit EventQueue(wl_display* display);
    ~EventQueue();
    EventQueue(const EventQueue&) = delete;
    EventQueue& operator=(const EventQueue&) = delete;

    wl_display* display() const { return m_display; }
    wl_event_queue* queue() const { return m_queue; }
    // False when the connection has broken.
    bool roundtrip();
    // Waits for events of this queue and dispatches them; false when the connection broke.
    bool dispatch();
    // False when the connection broke.
    bool dispatchPending();

    const std::vector<Global>& globals() const { return m_globals; }
    const Global* find(const char* interface) const;
    // Binds the global at no more than maxVersion; null when it is not offered.
    void* bind(const wl_interface& interface, std::uint32_t maxVersion);
    void* bind(const Global& global, const wl_interface& interface, std::uint32_t maxVersion);
    // Globals that came and went since the last call (names), for outputs plugged in or out.
    std::vector<std::uint32_t> takeRemoved();

private:
    static void onGlobal(void* data, wl_registry*, std::uint32_t name, const char* interface,
                         std::uint32_t version);
    static void onGlobalRemove(void* data, wl_registry*, std::uint32_t name);

    wl_display* m_display;
    wl_event_queue* m_queue;
    wl_display* m_wrapper;
    wl_registry* m_registry;
    std::vector<Global> m_globals;
    std::vector<std::uint32_t> m_removed;
};

// Dispatches an event queue on the main thread whenever the connection has data: for the
// objects whose events widgets and the clipboard answer.
class MainThreadQueue final : public QObject {
public:
    explicit MainThreadQueue(wl_display* display);
    ~MainThreadQueue() override;
    EventQueue& events() { return m_events; }
    const EventQueue& events() const { return m_events; }
    // Sends what is queued and handles what has come, now.
    void flush();

private:
    void readAndDispatch();

    EventQueue m_events;
    QSocketNotifier* m_notifier;
};

}  // namespace moxilane::wayland
