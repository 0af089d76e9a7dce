#include "platform/x11/X11Platform.h"

#include "platform/posix/XdgAutostart.h"
#include "platform/qt/QtAlerts.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtDesktop.h"
#include "platform/qt/QtEditServices.h"
#include "platform/qt/QtQuestions.h"
#include "platform/qt/QtServices.h"
#include "platform/x11/X11CaptureService.h"
#include "platform/x11/X11KeyGrabber.h"
#include "platform/x11/X11KeyboardGrab.h"
#include "platform/x11/X11Screens.h"
#include "platform/x11/X11WindowFocus.h"
#include "platform/x11/X11WindowRoles.h"

#include <QCoreApplication>

namespace moxilane::x11 {

Platform makeX11Platform() {
    auto questions = std::make_unique<QtQuestions>();
    auto loginItem = std::make_unique<XdgAutostart>(
        XdgAutostart::userAutostartFolder(), QCoreApplication::applicationFilePath(), *questions);
    return Platform{
        .scheduler = std::make_unique<QtScheduler>(),
        .captureService = std::make_unique<X11CaptureService>(),
        .screens = std::make_unique<X11Screens>(),
        .keyGrabber = std::make_unique<X11KeyGrabber>(),
        .permission = std::make_unique<NoCapturePermission>(),
        .alerts = std::make_unique<QtAlerts>(),
        .clipboard = std::make_unique<QtClipboard>(),
        .desktop = std::make_unique<QtDesktop>(),
        .folderPicker = std::make_unique<QtFolderPicker>(),
        .savePanel = std::make_unique<QtSavePanel>(),
        .clock = std::make_unique<SystemClock>(),
        .questions = std::move(questions),
        .loginItem = std::move(loginItem),
        .windowFocus = std::make_unique<X11WindowFocus>(),
        .windowRoles = std::make_unique<X11WindowRoles>(),
        .keyboardGrab = std::make_unique<X11KeyboardGrab>(),
    };
}

}  // namespace moxilane::x11
