#include "app/AppDelegate.h"
#include "app/StitchCommand.h"
#include "delivery/NotificationPreview.h"
#include "delivery/ThumbnailWindow.h"
#include "flows/CommandLine.h"
#include "flows/CompositorBindings.h"
#include "platform/AppId.h"
#include "platform/MemoryRelease.h"
#include "platform/posix/CommandChannel.h"
#include "platform/posix/InstanceLock.h"
#include "platform/posix/PrivateFiles.h"
#include "platform/posix/RuntimeFolder.h"
#include "platform/wayland/WaylandPlatform.h"
#include "platform/x11/X11Platform.h"

#include <QApplication>
#include <QIcon>
#include <QTextStream>

#include <csignal>

#include <unistd.h>

namespace {

int runAgent(int argc, char** argv, QTextStream& err) {
    moxilane::limitHeapArenas();
    const bool wayland = moxilane::runsOnWayland();
    const QString display = moxilane::sessionDisplay();
    // Before Qt, whose own failure to reach the display aborts the process.
    if (!wayland) {
        if (const auto problem = moxilane::x11::displayOpenError(display)) {
            err << "moxilane: " << *problem << "\n";
            return 1;
        }
    }
    const auto folder = moxilane::userRuntimeFolder();
    if (!folder) {
        err << "moxilane: " << folder.error() << "\n";
        return 1;
    }
    const moxilane::AgentAddress address = moxilane::agentAddress(*folder, display);
    // Claimed before anything else: two agents started at the same moment cannot both run.
    auto instance = moxilane::InstanceLock::claim(address.lockPath);
    if (!instance) {
        err << "moxilane: " << instance.error() << "\n";
        return 1;
    }
    if (!*instance) {
        err << "moxilane: already running on this display\n";
        return 0;
    }
    moxilane::PrivateFiles::forUser().removeOlderThan(moxilane::PrivateFiles::kKeepFor);

    // A command line that hung up, or a closed pipe on standard error, must not end the agent.
    std::signal(SIGPIPE, SIG_IGN);
    // Qt would otherwise try Wayland first, or X11 without a Wayland display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", wayland ? "wayland" : "xcb");
    if (wayland) moxilane::wayland::prepareQt();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Moxilane"));
    QApplication::setApplicationName(QStringLiteral("Moxilane"));
    // Desktops and portals know the program by its entry's name.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(moxilane::kAppId));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/moxilane.svg")));
    // Alerts and dialogs come and go; the program lives on in the tray.
    QApplication::setQuitOnLastWindowClosed(false);
    const QString expected = wayland ? QStringLiteral("wayland") : QStringLiteral("xcb");
    if (QGuiApplication::platformName() != expected) {
        err << "moxilane: needs " << (wayland ? "a Wayland" : "an X11")
            << " display; QT_QPA_PLATFORM chose " << QGuiApplication::platformName() << "\n";
        return 1;
    }

    // The one choice of back-end.
    moxilane::Platform platform =
        wayland ? moxilane::wayland::makeWaylandPlatform(moxilane::captureShortcutNames())
                : moxilane::x11::makeX11Platform();
    moxilane::QtThumbnailWindows thumbnailWindows(*platform.screens, *platform.windowRoles);
    moxilane::ThumbnailPresenter thumbnails(thumbnailWindows, *platform.scheduler);
    moxilane::Settings settings(moxilane::Settings::userFilePath());
    std::unique_ptr<moxilane::PreviewPresenter> notifications;
    // GNOME lets no window of ours float at a corner: the thumbnail is a notification there.
    if (platform.session == moxilane::Session::gnome) {
        notifications = std::make_unique<moxilane::NotificationPreview>();
    }
    moxilane::PreviewPresenter& preview =
        notifications ? *notifications : static_cast<moxilane::PreviewPresenter&>(thumbnails);

    moxilane::AppDelegate delegate(
        {*platform.scheduler, *platform.captureService, *platform.screens, *platform.keyGrabber,
         *platform.permission, *platform.alerts, *platform.clipboard, *platform.desktop,
         *platform.folderPicker, *platform.savePanel, *platform.clock, preview, *platform.loginItem,
         *platform.questions, *platform.windowFocus, *platform.windowRoles, *platform.keyboardGrab,
         platform.session, platform.desktopShortcuts.get()},
        settings);
    delegate.launch();
    moxilane::printCompositorBindingNotice(platform.session);
    // Listening last: a command that gets through finds the keys and the menu in place.
    auto commands = moxilane::CommandServer::listen(
        address.socketPath, getuid(), [&delegate](const QByteArray& request, auto reply) {
            delegate.handleCommand(request, reply);
        });
    if (!commands) {
        err << "moxilane: the command line cannot reach this agent: " << commands.error() << "\n";
        err.flush();
    }
    const int status = QApplication::exec();
    // A capture may still be on the worker; it uses objects that go with this scope.
    platform.scheduler->finishBackgroundWork();
    return status;
}

}  // namespace

// The program's entry for what needs more than the command line: the agent, and stitch.
extern "C" __attribute__((visibility("default"))) int moxilane_agent_main(int argc, char** argv) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    const moxilane::Invocation invocation = moxilane::parseCommandLine(argc, argv);
    if (invocation.kind == moxilane::Invocation::Kind::Stitch)
        return moxilane::runStitchCommand(invocation.stitchArguments, out, err);
    return runAgent(argc, argv, err);
}
