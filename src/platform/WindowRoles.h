#pragma once

#include "platform/HeldScreen.h"

#include <memory>

class QWidget;

namespace moxilane {

// What a top-level window of ours is for; each window system places and stacks these in its
// own way.
enum class WindowRole {
    overlay,    // covers one whole screen above everything; keys come through a grab
    thumbnail,  // a small picture above other windows that never takes the focus
    panel,      // a small panel above other windows, shown without the focus
    marker,     // a thin mark above other windows that takes neither the focus nor the pointer
    pin,        // a borderless picture above other windows, shown without the focus, which it
                // takes when clicked; it moves itself when dragged
    menu,       // a pop-up menu of one of the small windows above
};

// Gives top-level widgets their role. Main thread.
class WindowRoles {
public:
    virtual ~WindowRoles() = default;
    // Before the widget's native window is made or shown: its flags and attributes.
    virtual void prepare(QWidget& window, WindowRole role) = 0;
    // Gives a shown overlay the keyboard; false while another program holds it.
    virtual bool takeKeyboard(QWidget& overlay) = 0;
    // Whether transparent pixels of a window show what lies behind it (a compositor runs).
    virtual bool showsTranslucency() const = 0;
    // Holds the screen still for the overlays of a selection about to start, until the hold
    // goes; take it before reading the screen, so that the overlays show what was read.
    // Null where the window system cannot.
    [[nodiscard]] virtual std::unique_ptr<HeldScreen> holdScreen() { return nullptr; }
    // The hold in force, which overlays shown now go on; null when there is none.
    virtual HeldScreen* heldScreen() { return nullptr; }
    // Has the window system take in the whole backing store of a window not yet shown, whose
    // pages have been written, so that its first showing does not wait for that. Nothing where
    // it would not.
    virtual void readyStore(QWidget& /*window*/) {}
};

}  // namespace moxilane
