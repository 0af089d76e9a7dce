#pragma once

#include "flows/CaptureFlows.h"
#include "flows/HotKeyCenter.h"

namespace moxilane {

// The four capture shortcuts, Control+Shift and the number row's keys 1 to 4, in this
// order. A shortcut another program holds is left out with one line on standard error
// naming the command that does the same, for the user to bind in their desktop instead.
void registerCaptureHotKeys(HotKeyCenter& hotKeys, CaptureFlows& flows);

}  // namespace moxilane
