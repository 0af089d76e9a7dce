#pragma once

namespace moxilane {

// The program's reverse-DNS id: its desktop entry, icon, AppStream id and autostart entry.
inline constexpr char kAppId[] = "io.github.moxilane.Moxilane";

}  // namespace moxilane
