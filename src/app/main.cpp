#include "app/AppDelegate.h"
#include "app/StitchCommand.h"
#include "platform/qt/QtAlerts.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtScheduler.h"
#include "platform/qt/QtServices.h"
#include "platform/x11/X11CaptureService.h"
#include "platform/x11/X11InstanceLock.h"
#include "platform/x11/X11KeyGrabber.h"
#include "platform/x11/X11Screens.h"
#include "platform/x11/X11WindowFocus.h"

#include <QApplication>
#include <QIcon>
#include <QTextStream>

#include <cstdio>
#include <string_view>

namespace {

// The floating thumbnail is a window of its own that this build does not have yet: a
// capture ends without one, and there is nothing to dismiss.
class NoThumbnail final : public moxilane::PreviewPresenter {
public:
    void show(const QImage&, double, std::function<void()>) override {}
    void dismiss(bool) override {}
};

int runAgent(int argc, char** argv) {
    // Global keys and screen pixels come from X11; under Wayland this runs on XWayland.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Moxilane"));
    QApplication::setApplicationName(QStringLiteral("Moxilane"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/moxilane.svg")));
    // Alerts and dialogs come and go; the program lives on in the tray.
    QApplication::setQuitOnLastWindowClosed(false);
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        std::fputs("moxilane: needs an X11 display (set DISPLAY)\n", stderr);
        return 1;
    }

    moxilane::x11::X11InstanceLock instanceLock;
    if (instanceLock.isHeldElsewhere()) {
        std::fputs("moxilane: already running on this display\n", stderr);
        return 1;
    }

    moxilane::QtScheduler scheduler;
    moxilane::x11::X11CaptureService captureService;
    moxilane::x11::X11Screens screens;
    moxilane::x11::X11KeyGrabber keyGrabber;
    moxilane::X11Permission permission;
    moxilane::QtAlerts alerts;
    moxilane::QtClipboard clipboard;
    moxilane::QtDesktop desktop;
    moxilane::QtFolderPicker folderPicker;
    moxilane::SystemClock clock;
    NoThumbnail preview;
    moxilane::x11::X11WindowFocus windowFocus;
    moxilane::Settings settings(moxilane::Settings::userFilePath());

    moxilane::AppDelegate delegate(
        {scheduler, captureService, screens, keyGrabber, permission, alerts, clipboard, desktop,
         folderPicker, clock, preview, windowFocus},
        settings);
    delegate.launch();
    instanceLock.claim();
    const int status = QApplication::exec();
    // A capture may still be on the worker; it uses objects that go with this scope.
    scheduler.finishBackgroundWork();
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::string_view(argv[1]) == "stitch") {
        QStringList args;
        for (int i = 2; i < argc; ++i)
            args << QString::fromLocal8Bit(argv[i]);
        QTextStream out(stdout);
        QTextStream err(stderr);
        return moxilane::runStitchCommand(args, out, err);
    }
    return runAgent(argc, argv);
}
