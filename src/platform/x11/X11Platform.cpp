#include "platform/x11/X11Platform.h"

#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtPlatformParts.h"
#include "platform/qt/QtServices.h"
#include "platform/x11/X11CaptureService.h"
#include "platform/x11/X11KeyGrabber.h"
#include "platform/x11/X11KeyboardGrab.h"
#include "platform/x11/X11Screens.h"
#include "platform/x11/X11WindowFocus.h"
#include "platform/x11/X11WindowRoles.h"

namespace moxilane::x11 {

Platform makeX11Platform() {
    Platform platform = platformWithQtServices();
    platform.captureService = std::make_unique<X11CaptureService>();
    platform.screens = std::make_unique<X11Screens>();
    platform.keyGrabber = std::make_unique<X11KeyGrabber>();
    platform.permission = std::make_unique<NoCapturePermission>();
    platform.clipboard = std::make_unique<QtClipboard>();
    platform.windowFocus = std::make_unique<X11WindowFocus>();
    platform.windowRoles = std::make_unique<X11WindowRoles>();
    platform.keyboardGrab = std::make_unique<X11KeyboardGrab>();
    return platform;
}

}  // namespace moxilane::x11
