#include "flows/CaptureHotKeys.h"

#include "platform/Diagnostics.h"

namespace moxilane {

namespace {

struct CaptureShortcut {
    std::uint32_t keyCode;
    const char* label;
    const char* command;  // moxilane's command line
    void (CaptureFlows::*start)();
};

constexpr CaptureShortcut kShortcuts[] = {
    {hotkeys::kKey1, "Ctrl+Shift+1", "area", &CaptureFlows::startRegionCapture},
    {hotkeys::kKey2, "Ctrl+Shift+2", "window", &CaptureFlows::startWindowCapture},
    {hotkeys::kKey3, "Ctrl+Shift+3", "screen", &CaptureFlows::startFullScreenCapture},
    {hotkeys::kKey4, "Ctrl+Shift+4", "scroll", &CaptureFlows::startScrollingCapture},
};

}  // namespace

void registerCaptureHotKeys(HotKeyCenter& hotKeys, CaptureFlows& flows) {
    for (const CaptureShortcut& shortcut : kShortcuts) {
        const bool grabbed =
            hotKeys.registerHotKey(shortcut.keyCode, hotkeys::kControl | hotkeys::kShift,
                                   [&flows, start = shortcut.start] { (flows.*start)(); });
        if (!grabbed) {
            printDiagnostic(
                QStringLiteral("%1 is held by another program; bind `moxilane %2` instead")
                    .arg(QLatin1String(shortcut.label), QLatin1String(shortcut.command)));
        }
    }
}

}  // namespace moxilane
