#pragma once

namespace moxilane {

// The window system a back-end drives and, on Wayland, the desktop it found there: what the
// program tells the user about shortcuts and permissions depends on it.
enum class Session {
    x11,
    wlroots,  // sway and the like: the compositor's configuration binds the keys
    kde,
    gnome,
    otherWayland,
};

}  // namespace moxilane
