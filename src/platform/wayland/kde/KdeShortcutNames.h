#pragma once

#include "platform/wayland/kde/PortalKeyGrabber.h"

namespace moxilane::wayland {

// The capture kinds' names for the desktop's shortcut settings: the command's word as the id,
// the menu's title as the description.
[[nodiscard]] PortalKeyGrabber::Namer captureShortcutNames();

}  // namespace moxilane::wayland
