#pragma once

#include "platform/CaptureService.h"

#include <QJsonObject>

#include <cstdint>
#include <vector>

namespace moxilane::wayland {

// The views a sway window tree (get_tree's reply) shows, front to back: floating views above
// tiled ones, the last raised first; views on hidden workspaces or tabs left out, and those
// of process ownPid too. A frame includes the title bar and border, as an X11 frame does;
// frameDevice is the layout's rectangle times the scale of the output under its centre.
[[nodiscard]] std::vector<WindowInfo> swayTreeWindows(const QJsonObject& tree, std::int64_t ownPid);

}  // namespace moxilane::wayland
