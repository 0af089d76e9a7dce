#pragma once

#include <cstdint>
#include <functional>

namespace moxilane {

// Identifies a registered shortcut: the program's signature and a number from 1.
struct HotKeyID {
    std::uint32_t signature = 0;
    std::uint32_t id = 0;
};

// Global shortcuts from the window system. keyCode and modifiers use the portable values
// of the hot-key table (virtual key codes of the ANSI layout, Control 4096, Shift 512);
// the implementation maps them to its own key positions.
class KeyGrabber {
public:
    virtual ~KeyGrabber() = default;
    // Called on the main thread, inside event handling, when a grabbed shortcut is pressed.
    virtual void setPressHandler(std::function<void(HotKeyID)> handler) = 0;
    // False when the system refuses, for example because another program holds the key.
    [[nodiscard]] virtual bool grab(std::uint32_t keyCode, std::uint32_t modifiers,
                                    HotKeyID hotKey) = 0;
};

}  // namespace moxilane
