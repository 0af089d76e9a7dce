#pragma once

namespace moxilane {

// The captures the command line asks the running agent for, as their hot keys do; each is
// one row of the capture-kinds table.
enum class CaptureCommand { Area, Window, Screen, ScreenDelayed, Scroll, Text };

}  // namespace moxilane
