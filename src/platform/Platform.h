#pragma once

#include "platform/CaptureService.h"
#include "platform/DesktopShortcuts.h"
#include "platform/EditServices.h"
#include "platform/KeyGrabber.h"
#include "platform/KeyboardGrab.h"
#include "platform/LoginItem.h"
#include "platform/Questions.h"
#include "platform/Screens.h"
#include "platform/Services.h"
#include "platform/Session.h"
#include "platform/WindowFocus.h"
#include "platform/WindowRoles.h"
#include "platform/qt/QtScheduler.h"

#include <memory>

namespace moxilane {

// Every system service the program runs on, made by one back-end's factory, chosen once at
// start-up. Made on the main thread after the application object; owns what it holds.
struct Platform {
    Session session = Session::x11;
    // Qt's event loop and our worker on every back-end; main waits for the worker at exit.
    std::unique_ptr<QtScheduler> scheduler;
    std::unique_ptr<CaptureService> captureService;
    std::unique_ptr<ScreenList> screens;
    std::unique_ptr<KeyGrabber> keyGrabber;
    std::unique_ptr<CapturePermission> permission;
    std::unique_ptr<Alerts> alerts;
    std::unique_ptr<Clipboard> clipboard;
    std::unique_ptr<Desktop> desktop;
    std::unique_ptr<FolderPicker> folderPicker;
    std::unique_ptr<SavePanel> savePanel;
    std::unique_ptr<Clock> clock;
    std::unique_ptr<Questions> questions;
    std::unique_ptr<LoginItem> loginItem;  // asks through questions
    std::unique_ptr<WindowFocus> windowFocus;
    std::unique_ptr<WindowRoles> windowRoles;
    std::unique_ptr<KeyboardGrab> keyboardGrab;
    // Where the desktop binds the keys and we may add ours there (GNOME); null elsewhere.
    std::unique_ptr<DesktopShortcuts> desktopShortcuts;
};

}  // namespace moxilane
