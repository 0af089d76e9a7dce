#pragma once

#include "platform/Capture.h"

#include <QString>

#include <chrono>
#include <expected>

namespace moxilane::wayland {

// Asks the XDG desktop portal for a screenshot and waits for its answer, processing only
// this request's events meanwhile: the URI of the file it wrote. Interactive, the desktop
// lets the user choose what to take first. Callable from any thread.
[[nodiscard]] std::expected<QString, CaptureError> requestPortalScreenshot(
    std::chrono::milliseconds timeout, bool interactive = false);

}  // namespace moxilane::wayland
