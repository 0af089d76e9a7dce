#pragma once

#include "platform/KeyGrabber.h"

#include <vector>

namespace moxilane {

// The key grabber for desktops where only the compositor's configuration or the desktop's
// keyboard settings bind keys (Wayland): no client may grab a key there, so the shortcuts
// reach the agent as commands (`moxilane area`) from bindings the user adds there. A grab is
// recorded and succeeds because that route exists.
class ConfigBoundKeyGrabber final : public KeyGrabber {
public:
    struct Grab {
        std::uint32_t keyCode = 0;
        std::uint32_t modifiers = 0;
        HotKeyID hotKey;
    };

    // Never called: presses come in as commands.
    void setPressHandler(std::function<void(HotKeyID)>) override {}
    [[nodiscard]] bool grab(std::uint32_t keyCode, std::uint32_t modifiers,
                            HotKeyID hotKey) override {
        m_grabs.push_back({keyCode, modifiers, hotKey});
        return true;
    }
    const std::vector<Grab>& grabs() const { return m_grabs; }

private:
    std::vector<Grab> m_grabs;
};

}  // namespace moxilane
