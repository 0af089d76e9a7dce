#pragma once

#include <memory>

namespace moxilane {

// The keyboard held for this program: no other program gets keys while it is held. A window
// of ours that takes the keyboard later takes it over; letting go of the hold after that
// changes nothing.
class HeldKeyboard {
public:
    virtual ~HeldKeyboard() = default;  // lets the keyboard go
    // Esc was pressed while the keyboard was held here.
    virtual bool escapePressed() const = 0;
};

// Takes the keyboard as soon as a selection starts, before its overlay can be shown, so that
// an Esc pressed meanwhile cancels the selection instead of reaching the program in front.
class KeyboardGrab {
public:
    virtual ~KeyboardGrab() = default;
    // Nothing while another program holds the keyboard.
    [[nodiscard]] virtual std::unique_ptr<HeldKeyboard> take() = 0;
};

}  // namespace moxilane
