#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace moxilane {

// The portable numbers of the hot keys, in the form the shortcut table writes them: key
// codes are virtual key codes of the ANSI layout and name key positions, not characters;
// modifiers are bits of one mask.
namespace hotkeys {
inline constexpr std::uint32_t kSignature = 0x4D584C4E;  // 'MXLN'
inline constexpr std::uint32_t kControl = 4096;
inline constexpr std::uint32_t kShift = 512;
inline constexpr std::uint32_t kOption = 2048;
inline constexpr std::uint32_t kCommand = 256;
// The number row's keys 1 to 9 and 0.
inline constexpr std::uint32_t kKey1 = 18;
inline constexpr std::uint32_t kKey2 = 19;
inline constexpr std::uint32_t kKey3 = 20;
inline constexpr std::uint32_t kKey4 = 21;
inline constexpr std::uint32_t kKey5 = 23;
inline constexpr std::uint32_t kKey6 = 22;
inline constexpr std::uint32_t kKey7 = 26;
inline constexpr std::uint32_t kKey8 = 28;
inline constexpr std::uint32_t kKey9 = 25;
inline constexpr std::uint32_t kKey0 = 29;
}  // namespace hotkeys

// Identifies a registered shortcut: the program's signature and a number from 1.
struct HotKeyID {
    std::uint32_t signature = 0;
    std::uint32_t id = 0;
};

// A shortcut as a desktop that keeps them by name lists it in its settings.
struct ShortcutName {
    QString id;           // stable: the desktop keeps the user's trigger under it
    QString description;  // what the desktop's settings show
};
// Names a shortcut's key (a hotkeys::kKey… code); nullopt for a key that has none.
using ShortcutNamer = std::function<std::optional<ShortcutName>(std::uint32_t keyCode)>;

// Global shortcuts from the window system. keyCode and modifiers are the portable numbers
// above; the implementation maps them to its own key positions.
class KeyGrabber {
public:
    virtual ~KeyGrabber() = default;
    // Called on the main thread, inside event handling, when a grabbed shortcut is pressed.
    virtual void setPressHandler(std::function<void(HotKeyID)> handler) = 0;
    // False when the system refuses, for example because another program holds the key.
    [[nodiscard]] virtual bool grab(std::uint32_t keyCode, std::uint32_t modifiers,
                                    HotKeyID hotKey) = 0;
};

}  // namespace moxilane
