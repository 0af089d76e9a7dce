#pragma once

#include <cstdint>
#include <optional>

namespace moxilane {

// Which window of the desktop has the focus, and handing it back after an overlay.
// Main thread only.
class WindowFocus {
public:
    virtual ~WindowFocus() = default;
    virtual std::optional<std::uint32_t> activeWindow() = 0;
    // Asks the window manager to activate the window; a window that has gone is ignored.
    virtual void activate(std::uint32_t window) = 0;
};

}  // namespace moxilane
