#include "platform/x11/X11KeyGrabber.h"

#include "platform/x11/Xcb.h"

#include <QGuiApplication>

#include <xcb/xcb_keysyms.h>

#include <algorithm>
#include <array>
#include <optional>

#define XK_MISCELLANY
#include <X11/keysymdef.h>

namespace moxilane::x11 {

namespace {

// The number row by position: X keycodes 10 to 19 under evdev (and the older kbd driver)
// are the keys 1 to 9 and 0, whatever the layout prints on them.
std::optional<xcb_keycode_t> numberRowKeycode(std::uint32_t keyCode) {
    switch (keyCode) {
        case hotkeys::kKey1:
            return 10;
        case hotkeys::kKey2:
            return 11;
        case hotkeys::kKey3:
            return 12;
        case hotkeys::kKey4:
            return 13;
        case hotkeys::kKey5:
            return 14;
        case hotkeys::kKey6:
            return 15;
        case hotkeys::kKey7:
            return 16;
        case hotkeys::kKey8:
            return 17;
        case hotkeys::kKey9:
            return 18;
        case hotkeys::kKey0:
            return 19;
        default:
            return std::nullopt;
    }
}

std::uint16_t modifierMask(std::uint32_t modifiers) {
    std::uint16_t mask = 0;
    if (modifiers & hotkeys::kControl) mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & hotkeys::kShift) mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & hotkeys::kOption) mask |= XCB_MOD_MASK_1;   // Alt
    if (modifiers & hotkeys::kCommand) mask |= XCB_MOD_MASK_4;  // Super
    return mask;
}

using KeySymbols = std::unique_ptr<xcb_key_symbols_t, decltype(&xcb_key_symbols_free)>;

std::uint16_t findNumLockMask(xcb_connection_t* c) {
    Reply<xcb_get_modifier_mapping_reply_t> mapping{
        xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr)};
    if (!mapping) return 0;
    KeySymbols symbols{xcb_key_symbols_alloc(c), &xcb_key_symbols_free};
    Reply<xcb_keycode_t> numLock{xcb_key_symbols_get_keycode(symbols.get(), XK_Num_Lock)};
    if (!numLock) return 0;
    const xcb_keycode_t* keycodes = xcb_get_modifier_mapping_keycodes(mapping.get());
    const int perModifier = mapping->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int i = 0; i < perModifier; ++i) {
            const xcb_keycode_t keycode = keycodes[modifier * perModifier + i];
            for (const xcb_keycode_t* k = numLock.get(); *k != XCB_NO_SYMBOL; ++k) {
                if (keycode == *k) return static_cast<std::uint16_t>(1u << modifier);
            }
        }
    }
    return 0;
}

}  // namespace

X11KeyGrabber::X11KeyGrabber() {
    m_connection = qtConnection();
    if (!m_connection) return;
    const xcb_setup_t* setup = xcb_get_setup(m_connection);
    m_root = xcb_setup_roots_iterator(setup).data->root;
    m_numLockMask = findNumLockMask(m_connection);
    qGuiApp->installNativeEventFilter(this);
}

X11KeyGrabber::~X11KeyGrabber() {
    if (!m_connection) return;
    if (qGuiApp) qGuiApp->removeNativeEventFilter(this);
    for (const Grab& grab : m_grabs)
        ungrab(grab.keycode, grab.modifiers);
    xcb_flush(m_connection);
}

void X11KeyGrabber::setPressHandler(std::function<void(HotKeyID)> handler) {
    m_onPress = std::move(handler);
}

// Grab the CapsLock and NumLock variants too, or the key dies when one of them is on.
std::array<std::uint16_t, 4> X11KeyGrabber::lockVariants() const {
    return {0, XCB_MOD_MASK_LOCK, m_numLockMask, std::uint16_t(XCB_MOD_MASK_LOCK | m_numLockMask)};
}

void X11KeyGrabber::ungrab(xcb_keycode_t keycode, std::uint16_t modifiers) {
    for (std::uint16_t locks : lockVariants()) {
        xcb_ungrab_key(m_connection, keycode, m_root, modifiers | locks);
    }
}

bool X11KeyGrabber::grab(std::uint32_t keyCode, std::uint32_t modifiers, HotKeyID hotKey) {
    const auto position = numberRowKeycode(keyCode);
    if (!m_connection || !position) return false;
    const xcb_keycode_t keycode = *position;
    const std::uint16_t mask = modifierMask(modifiers);

    const auto variants = lockVariants();
    std::array<xcb_void_cookie_t, 4> cookies{};
    for (std::size_t i = 0; i < variants.size(); ++i) {
        cookies[i] =
            xcb_grab_key_checked(m_connection, /*owner_events=*/1, m_root, mask | variants[i],
                                 keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_SYNC);
    }
    bool refused = false;
    for (const auto& cookie : cookies) {
        // BadAccess: another client holds this key with these modifiers.
        Error error{xcb_request_check(m_connection, cookie)};
        refused = refused || error != nullptr;
    }
    if (refused) {
        ungrab(keycode, mask);
        xcb_flush(m_connection);
        return false;
    }
    m_grabs.push_back({keycode, mask, hotKey});
    return true;
}

bool X11KeyGrabber::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    // Releases of the modifiers also reach the grabber while the grab is active: act on
    // the press of the grabbed key only.
    if ((event->response_type & 0x7f) != XCB_KEY_PRESS) return false;
    const auto* press = reinterpret_cast<const xcb_key_press_event_t*>(event);
    if (press->root != m_root) return false;
    const bool ours = std::ranges::any_of(
        m_grabs, [press](const Grab& grab) { return grab.keycode == press->detail; });
    if (!ours) return false;
    const std::uint16_t relevant =
        XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;
    const std::uint16_t state = press->state & relevant & ~(XCB_MOD_MASK_LOCK | m_numLockMask);
    const auto found = std::ranges::find_if(m_grabs, [&](const Grab& grab) {
        return grab.keycode == press->detail && grab.modifiers == state;
    });
    if (found != m_grabs.end() && m_onPress) m_onPress(found->hotKey);
    // The grab froze the keyboard at the press, so that keys typed right after it (an Esc)
    // wait until the action queued above has run and can take the keyboard for itself.
    QMetaObject::invokeMethod(
        qGuiApp,
        [c = m_connection] {
            xcb_allow_events(c, XCB_ALLOW_ASYNC_KEYBOARD, XCB_CURRENT_TIME);
            xcb_flush(c);
        },
        Qt::QueuedConnection);
    return found != m_grabs.end();
}

}  // namespace moxilane::x11
