#pragma once

#include "platform/KeyGrabber.h"

#include <QAbstractNativeEventFilter>

#include <xcb/xcb.h>

#include <array>
#include <vector>

namespace moxilane::x11 {

// Global shortcuts as passive key grabs on the root window, on Qt's own connection, so
// the presses arrive through Qt's event dispatch on the main thread.
class X11KeyGrabber final : public KeyGrabber, public QAbstractNativeEventFilter {
public:
    X11KeyGrabber();  // needs a running QGuiApplication on xcb
    ~X11KeyGrabber() override;

    void setPressHandler(std::function<void(HotKeyID)> handler) override;
    bool grab(std::uint32_t keyCode, std::uint32_t modifiers, HotKeyID hotKey) override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    struct Grab {
        xcb_keycode_t keycode;
        std::uint16_t modifiers;
        HotKeyID hotKey;
    };
    std::array<std::uint16_t, 4> lockVariants() const;
    void ungrab(xcb_keycode_t keycode, std::uint16_t modifiers);

    xcb_connection_t* m_connection = nullptr;
    xcb_window_t m_root = XCB_WINDOW_NONE;
    std::uint16_t m_numLockMask = 0;
    std::vector<Grab> m_grabs;
    std::function<void(HotKeyID)> m_onPress;
};

}  // namespace moxilane::x11
