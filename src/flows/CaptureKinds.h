#pragma once

#include "flows/CaptureCommand.h"
#include "platform/KeyGrabber.h"

#include <QString>

#include <cstdint>
#include <span>
#include <string_view>

namespace moxilane {

// One kind of capture as every way of starting it shows it: the command line and its help,
// the hot key, the tray menu, the Instructions and the desktop entry's actions. A kind with
// a shortcut is a desktop action and comes first in the menu; one without follows them.
// Plain data, which the command line shares without the flows: how each kind starts is
// in CaptureStarts.h.
struct CaptureKind {
    CaptureCommand command;
    std::string_view name;          // the command line's word and the desktop action's id
    std::uint32_t keyCode;          // hotkeys::kKey…; 0 without a shortcut
    std::string_view shortcut;      // as menus write it; empty without one
    std::string_view menuTitle;     // also the desktop action's name
    std::string_view help;          // --help's line
    std::string_view instructions;  // the Instructions' lines after the shortcut; may be empty
};

inline constexpr CaptureKind kCaptureKinds[] = {
    {CaptureCommand::Area, "area", hotkeys::kKey1, "Ctrl+Shift+1", "Capture Area",
     "capture an area", "capture an area (drag with the mouse)"},
    {CaptureCommand::Window, "window", hotkeys::kKey2, "Ctrl+Shift+2", "Capture Window",
     "capture a window", "capture a window (click the window)"},
    {CaptureCommand::Screen, "screen", hotkeys::kKey3, "Ctrl+Shift+3", "Capture Full Screen",
     "capture the full screen", "capture the full screen"},
    {CaptureCommand::ScreenDelayed, "screen-delayed", 0, "", "Full Screen After 5 Seconds",
     "capture the full screen after 5 seconds", ""},
    {CaptureCommand::Scroll, "scroll", hotkeys::kKey4, "Ctrl+Shift+4", "Capture Scrolling",
     "start a scrolling capture, or finish the running one",
     "scrolling capture (select just the visible\n"
     "part, release, then scroll through the content\n"
     "with the mouse wheel and click Done — you get\n"
     "one tall image; Ctrl+Shift+4 again also finishes it)"},
    {CaptureCommand::Text, "text", hotkeys::kKey5, "Ctrl+Shift+5", "Capture Text",
     "copy the text and the QR codes and barcodes in an area; prints them too", ""},
};

// Every kind in the table's order, which the command line and its help follow.
inline constexpr std::span<const CaptureKind> captureKinds() {
    return kCaptureKinds;
}

const CaptureKind& captureKind(CaptureCommand command);

// The kinds' shortcuts as desktops that keep them by name list them: the command's word as
// the id, the menu's title as the description.
ShortcutNamer captureShortcutNames();

// A table text as Qt holds it.
inline QString kindText(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

}  // namespace moxilane
