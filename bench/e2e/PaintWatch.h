#pragma once

#include <QPoint>
#include <QRect>
#include <QString>

#include <xcb/damage.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

namespace moxilane::bench {

// Reports the first paint of a top-level window by its title, on a connection of its own.
class PaintWatch {
public:
    explicit PaintWatch(const QString& display)
        : m_c(xcb_connect(display.toLocal8Bit().constData(), nullptr)) {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_c, m_root, XCB_CW_EVENT_MASK, &mask);
        auto* ext = xcb_get_extension_data(m_c, &xcb_damage_id);
        m_damageEvent = ext->first_event + XCB_DAMAGE_NOTIFY;
        free(xcb_damage_query_version_reply(m_c, xcb_damage_query_version(m_c, 1, 1), nullptr));
        m_nameAtom = atom("_NET_WM_NAME");
        xcb_flush(m_c);
    }
    ~PaintWatch() { xcb_disconnect(m_c); }

    // Waits for the nth damaged rectangle of a window whose title contains title; its id, or
    // 0. Under openbox the server's own damage when it maps a window comes first, before any
    // of the program's pixels: pass 2 for the program's first paint.
    xcb_window_t waitForPaint(const QString& title, std::chrono::milliseconds deadline,
                              int nth = 1) {
        std::map<xcb_window_t, int> seen;
        const auto end = std::chrono::steady_clock::now() + deadline;
        while (std::chrono::steady_clock::now() < end) {
            xcb_generic_event_t* event = xcb_poll_for_event(m_c);
            if (!event) {
                pollfd fd{xcb_get_file_descriptor(m_c), POLLIN, 0};
                poll(&fd, 1, 5);
                continue;
            }
            std::unique_ptr<xcb_generic_event_t, decltype(&free)> owned(event, &free);
            if (watchNew(*event) || (event->response_type & 0x7f) != m_damageEvent) continue;
            const auto* damaged = reinterpret_cast<xcb_damage_notify_event_t*>(event);
            if (!name(damaged->drawable).contains(title)) continue;
            if (++seen[damaged->drawable] >= nth) return damaged->drawable;
        }
        return 0;
    }
    // Forgets the paints reported so far, so that the next wait sees only new ones.
    void drain() {
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_c)) {
            watchNew(*event);
            free(event);
        }
    }
    QRect geometry(xcb_window_t window) {
        auto* reply = xcb_get_geometry_reply(m_c, xcb_get_geometry(m_c, window), nullptr);
        if (!reply) return {};
        const QRect rect(reply->x, reply->y, reply->width, reply->height);
        free(reply);
        return rect;
    }
    void click(QPoint at) {
        xcb_test_fake_input(m_c, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, m_root, at.x(), at.y(), 0);
        xcb_test_fake_input(m_c, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_test_fake_input(m_c, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(m_c);
    }

    // Asks the window to close, as its title bar's close button does.
    void close(xcb_window_t window) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = atom("WM_PROTOCOLS");
        message.data.data32[0] = atom("WM_DELETE_WINDOW");
        message.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(m_c, 0, window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&message));
        xcb_flush(m_c);
    }

private:
    // Asks a window just made for its damage reports; false for other events.
    bool watchNew(const xcb_generic_event_t& event) {
        if ((event.response_type & 0x7f) != XCB_CREATE_NOTIFY) return false;
        const auto& created = reinterpret_cast<const xcb_create_notify_event_t&>(event);
        xcb_damage_create(m_c, xcb_generate_id(m_c), created.window,
                          XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
        xcb_flush(m_c);
        return true;
    }
    xcb_atom_t atom(const char* name) {
        auto* reply =
            xcb_intern_atom_reply(m_c, xcb_intern_atom(m_c, 0, strlen(name), name), nullptr);
        const xcb_atom_t result = reply ? reply->atom : XCB_NONE;
        free(reply);
        return result;
    }
    QString name(xcb_window_t window) {
        auto& cached = m_names[window];
        if (!cached.isEmpty()) return cached;
        auto* reply = xcb_get_property_reply(
            m_c, xcb_get_property(m_c, 0, window, m_nameAtom, XCB_GET_PROPERTY_TYPE_ANY, 0, 256),
            nullptr);
        if (reply) {
            cached = QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply)),
                                       xcb_get_property_value_length(reply));
            free(reply);
        }
        return cached;
    }

    xcb_connection_t* m_c;
    xcb_window_t m_root = 0;
    int m_damageEvent = 0;
    xcb_atom_t m_nameAtom = 0;
    std::map<xcb_window_t, QString> m_names;
};

// Waits for a screenshot to arrive in the folder under its final name (a complete file is
// linked in, or renamed into place).
inline bool waitForFile(int inotifyFd, std::chrono::milliseconds deadline) {
    alignas(inotify_event) char buffer[8192];
    pollfd fd{inotifyFd, POLLIN, 0};
    if (poll(&fd, 1, int(deadline.count())) <= 0) return false;
    return read(inotifyFd, buffer, sizeof buffer) > 0;
}

}  // namespace moxilane::bench
