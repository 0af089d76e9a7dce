#include "flows/CaptureHotKeys.h"

#include "flows/CaptureKinds.h"
#include "flows/CaptureStarts.h"
#include "platform/Diagnostics.h"

namespace moxilane {

void registerCaptureHotKeys(HotKeyCenter& hotKeys, CaptureFlows& flows) {
    for (const CaptureKind& kind : captureKinds()) {
        if (kind.keyCode == 0) continue;
        const bool grabbed = hotKeys.registerHotKey(
            kind.keyCode, hotkeys::kControl | hotkeys::kShift,
            [&flows, start = captureStart(kind.command)] { (flows.*start)(); });
        if (!grabbed) {
            printDiagnostic(
                QStringLiteral("%1 is held by another program; bind `moxilane %2` instead")
                    .arg(kindText(kind.shortcut), kindText(kind.name)));
        }
    }
}

}  // namespace moxilane
