#include "platform/x11/X11KeyboardGrab.h"

#include "platform/x11/Xcb.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>

#include <X11/keysym.h>
#include <xcb/xcb_keysyms.h>

#include <algorithm>

namespace moxilane::x11 {

namespace {

// Keeps Esc presses that reach the root while the grab is ours; other keys are swallowed,
// as the overlay swallows them.
class RootKeyboard final : public HeldKeyboard, public QAbstractNativeEventFilter {
public:
    RootKeyboard(xcb_connection_t* connection, xcb_window_t root,
                 std::vector<xcb_keycode_t> escapeKeys)
        : m_connection(connection), m_root(root), m_escapeKeys(std::move(escapeKeys)) {
        qGuiApp->installNativeEventFilter(this);
    }
    ~RootKeyboard() override {
        if (qGuiApp) qGuiApp->removeNativeEventFilter(this);
        // Let go only once no overlay of ours holds the keyboard: their grab replaced this
        // one, and closing them ended it.
        xcb_ungrab_keyboard(m_connection, XCB_CURRENT_TIME);
        xcb_flush(m_connection);
    }

    bool escapePressed() const override { return m_escaped; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (eventType != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_KEY_PRESS) return false;
        const auto* press = reinterpret_cast<const xcb_key_press_event_t*>(event);
        if (press->event != m_root) return false;
        if (std::ranges::find(m_escapeKeys, press->detail) != m_escapeKeys.end()) m_escaped = true;
        return false;  // the hot keys still see theirs, and drop them while a flow runs
    }

private:
    xcb_connection_t* m_connection;
    xcb_window_t m_root;
    std::vector<xcb_keycode_t> m_escapeKeys;
    bool m_escaped = false;
};

}  // namespace

X11KeyboardGrab::X11KeyboardGrab() {
    m_connection = qtConnection();
    if (!m_connection) return;
    m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    using KeySymbols = std::unique_ptr<xcb_key_symbols_t, decltype(&xcb_key_symbols_free)>;
    KeySymbols symbols{xcb_key_symbols_alloc(m_connection), &xcb_key_symbols_free};
    Reply<xcb_keycode_t> escape{xcb_key_symbols_get_keycode(symbols.get(), XK_Escape)};
    for (const xcb_keycode_t* key = escape.get(); key && *key != XCB_NO_SYMBOL; ++key)
        m_escapeKeys.push_back(*key);
}

std::unique_ptr<HeldKeyboard> X11KeyboardGrab::take() {
    if (!m_connection) return nullptr;
    Reply<xcb_grab_keyboard_reply_t> reply{xcb_grab_keyboard_reply(
        m_connection,
        xcb_grab_keyboard(m_connection, /*owner_events=*/0, m_root, XCB_CURRENT_TIME,
                          XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
        nullptr)};
    if (!reply || reply->status != XCB_GRAB_STATUS_SUCCESS) return nullptr;
    return std::make_unique<RootKeyboard>(m_connection, m_root, m_escapeKeys);
}

}  // namespace moxilane::x11
