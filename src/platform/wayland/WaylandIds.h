#pragma once

#include <QString>

#include <cstdint>

namespace moxilane::wayland {

// A display's number on Wayland, where outputs have names but no numbers: the same for the
// capture service, which sees wl_outputs, and for the screen list, which sees Qt's screens.
inline std::uint32_t displayIdForName(const QString& name) {
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (const char byte : name.toUtf8()) {
        hash ^= static_cast<std::uint8_t>(byte);
        hash *= 16777619u;
    }
    return hash == 0 ? 1 : hash;
}

}  // namespace moxilane::wayland
