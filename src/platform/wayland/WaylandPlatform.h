#pragma once

#include "platform/Platform.h"

#include <functional>
#include <memory>

namespace moxilane::wayland {

// The desktop the Wayland session runs, from what it announces.
Session sessionFromEnvironment();

// Before the application object: Qt keeps the positions our windows are given, and makes no
// shell surface for a window with the bypass hint, which the window roles make a layer surface.
void prepareQt();

// Every service on Wayland, for main once Qt runs on the wayland platform. Desktops that keep
// shortcuts by name show them with shortcutNames.
Platform makeWaylandPlatform(ShortcutNamer shortcutNames);

}  // namespace moxilane::wayland
