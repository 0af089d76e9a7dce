#pragma once

#include "platform/Platform.h"

namespace moxilane {

// The services every back-end takes from Qt and the XDG desktop: the scheduler, alerts,
// questions and file dialogs, the desktop's applications, the clock and starting at login.
// A back-end's factory fills in the rest.
Platform platformWithQtServices();

}  // namespace moxilane
