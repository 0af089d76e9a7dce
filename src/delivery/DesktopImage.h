#pragma once

#include "platform/Capture.h"

namespace moxilane {

// The captures put together as the desktop lays them out: each at its position, in its own
// device pixels, later ones over earlier ones where they overlap. Where no capture lies the
// image is transparent. It carries the first capture's scale. Safe on any thread.
Capture desktopImage(const CaptureList& captures);

}  // namespace moxilane
