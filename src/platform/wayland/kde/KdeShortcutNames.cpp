#include "platform/wayland/kde/KdeShortcutNames.h"

#include "flows/CaptureKinds.h"

namespace moxilane::wayland {

PortalKeyGrabber::Namer captureShortcutNames() {
    return [](std::uint32_t keyCode) -> std::optional<PortalKeyGrabber::Named> {
        for (const CaptureKind& kind : captureKinds())
            if (kind.keyCode == keyCode && keyCode != 0)
                return PortalKeyGrabber::Named{kindText(kind.name), kindText(kind.menuTitle)};
        return std::nullopt;
    };
}

}  // namespace moxilane::wayland
