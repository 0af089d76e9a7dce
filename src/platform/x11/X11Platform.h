#pragma once

#include "platform/Platform.h"
#include "platform/x11/DisplayProbe.h"  // asked before the application object exists

namespace moxilane::x11 {

// The services of an X11 session: the X server's pixels, windows and keys, Qt's dialogs and
// clipboard, the freedesktop.org desktop.
Platform makeX11Platform();

}  // namespace moxilane::x11
