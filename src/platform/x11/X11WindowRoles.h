#pragma once

#include "platform/WindowRoles.h"

#include <cstdint>
#include <optional>

namespace moxilane::x11 {

// Our windows are override-redirect: the window manager neither frames, moves nor focuses
// them, and they stay where they are put, above the managed windows.
class X11WindowRoles final : public WindowRoles {
public:
    void prepare(QWidget& window, WindowRole role) override;
    bool takeKeyboard(QWidget& overlay) override;
    bool showsTranslucency() const override;
    std::unique_ptr<HeldScreen> holdScreen() override;
    HeldScreen* heldScreen() override { return m_held; }
    void readyStore(QWidget& window) override;

private:
    HeldScreen* m_held = nullptr;
    std::optional<std::uint32_t> m_shadeFormat;  // asked of the server once
};

}  // namespace moxilane::x11
