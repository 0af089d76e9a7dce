#pragma once

#include "platform/wayland/kde/KWinWindows.h"

#include <chrono>
#include <expected>
#include <vector>

namespace moxilane::wayland {

// Lists KWin's windows by running a short script inside KWin that reports back to us over
// D-Bus: no other program may see the windows on Plasma. Blocking; any thread with no event
// loop of its own running (it runs one while it waits).
[[nodiscard]] std::expected<std::vector<KWinWindow>, CaptureError> listKWinWindows(
    const std::vector<KWinOutputScale>& outputs, std::chrono::milliseconds timeout);

}  // namespace moxilane::wayland
