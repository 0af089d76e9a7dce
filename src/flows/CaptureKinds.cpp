#include "flows/CaptureKinds.h"

#include <iterator>

namespace moxilane {

const CaptureKind& captureKind(CaptureCommand command) {
    // Every command has its row: the table lists the enumerators in their order.
    return kCaptureKinds[static_cast<std::size_t>(command)];
}

namespace {
constexpr bool rowsFollowTheEnumerators() {
    for (std::size_t i = 0; i < std::size(kCaptureKinds); ++i)
        if (static_cast<std::size_t>(kCaptureKinds[i].command) != i) return false;
    return true;
}
static_assert(rowsFollowTheEnumerators());
}  // namespace

ShortcutNamer captureShortcutNames() {
    return [](std::uint32_t keyCode) -> std::optional<ShortcutName> {
        for (const CaptureKind& kind : captureKinds())
            if (kind.keyCode == keyCode && keyCode != 0)
                return ShortcutName{kindText(kind.name), kindText(kind.menuTitle)};
        return std::nullopt;
    };
}

}  // namespace moxilane
