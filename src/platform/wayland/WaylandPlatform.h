#pragma once

#include "delivery/PreviewPresenter.h"
#include "platform/Platform.h"

#include <functional>
#include <memory>

namespace moxilane::wayland {

// The desktop the Wayland session runs, from what it announces.
Session sessionFromEnvironment();

// Before the application object: Qt keeps the positions our windows are given, and makes no
// shell surface for a window with the bypass hint, which the window roles make a layer surface.
void prepareQt();

// Every service on Wayland, for main once Qt runs on the wayland platform.
Platform makeWaylandPlatform();

// Where the thumbnail is a desktop notification (GNOME): its presenter; else nothing.
// copyAsked says whether the settings ask for captures on the clipboard.
std::unique_ptr<PreviewPresenter> makeNotificationPreview(Session session,
                                                          std::function<bool()> copyAsked);

}  // namespace moxilane::wayland
