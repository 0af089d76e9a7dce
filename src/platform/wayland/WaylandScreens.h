#pragma once

#include "platform/Screens.h"

namespace moxilane::wayland {

// Qt's screens on Wayland, where their geometry is in points and a display's device pixels
// start at its origin times its scale, as the capture service counts them.
class WaylandScreens final : public ScreenList {
public:
    ScreenLayout layout() const override;
};

}  // namespace moxilane::wayland
