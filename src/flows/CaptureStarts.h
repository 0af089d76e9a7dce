#pragma once

#include "flows/CaptureCommand.h"
#include "flows/CaptureFlows.h"

namespace moxilane {

// How each capture kind starts: from the hot key or the command line, and from the tray menu.
using CaptureStart = void (CaptureFlows::*)();
CaptureStart captureStart(CaptureCommand command);
CaptureStart captureStartFromMenu(CaptureCommand command);

}  // namespace moxilane
