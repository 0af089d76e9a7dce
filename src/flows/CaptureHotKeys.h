#pragma once

#include "flows/CaptureFlows.h"
#include "flows/HotKeyCenter.h"

namespace moxilane {

// The capture kinds' shortcuts, Control+Shift and a number row key, in the kinds' order. A shortcut
// another program holds is left out with one line on standard error naming the command that does
// the same, for the user to bind in their desktop instead.
void registerCaptureHotKeys(HotKeyCenter& hotKeys, CaptureFlows& flows);

}  // namespace moxilane
