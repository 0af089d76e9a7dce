#pragma once

#include "platform/KeyGrabber.h"

#include <vector>

namespace moxilane {

// The key grabber for desktops where only the compositor's configuration binds keys (sway
// and the like): no client may grab a key there, so the shortcuts reach the agent as
// commands (`moxilane area`) from bindings the user pastes into that configuration. A grab
// is recorded and succeeds because that route exists; on a desktop without such a
// configuration use another grabber, which can say when a key cannot be had.
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
