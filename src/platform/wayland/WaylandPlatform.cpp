#include "platform/wayland/WaylandPlatform.h"

#include "platform/ConfigBoundKeyGrabber.h"
#include "platform/Settings.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtPlatformParts.h"
#include "platform/qt/QtServices.h"
#include "platform/wayland/DataControlClipboard.h"
#include "platform/wayland/FocusClipboard.h"
#include "platform/wayland/LayerSurfaces.h"
#include "platform/wayland/PortalScreenshot.h"
#include "platform/wayland/SwayIpc.h"
#include "platform/wayland/WaylandCaptureService.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandScreens.h"
#include "platform/wayland/WaylandWindowRoles.h"
#include "platform/wayland/gnome/CustomKeybindings.h"
#include "platform/wayland/gnome/GnomePortalCapture.h"
#include "platform/wayland/gnome/PanelCanvasRoles.h"
#include "platform/wayland/gnome/ScreenCastCapture.h"
#include "platform/wayland/gnome/ScreenshotPermission.h"
#include "platform/wayland/kde/KdeCaptureService.h"
#include "platform/wayland/kde/PortalKeyGrabber.h"

namespace moxilane::wayland {

namespace {

// No program can see or raise another's window here; the compositor gives the focus back
// when an overlay closes.
class CompositorFocus final : public WindowFocus {
public:
    std::optional<std::uint32_t> activeWindow() override { return std::nullopt; }
    void activate(std::uint32_t) override {}
};

// A client cannot hold the keyboard; the overlay has it once shown, and Esc pressed before
// that reaches the program in front.
class NoKeyboardGrab final : public KeyboardGrab {
public:
    std::unique_ptr<HeldKeyboard> take() override { return nullptr; }
};

// The displays as the portal's pictures need them, for the worker.
PortalScreenshot::DisplaySource layoutDisplays(std::shared_ptr<ScreensForWorker> screens) {
    return [screens]() -> std::expected<std::vector<LayoutDisplay>, CaptureError> {
        auto all = screens->screens();
        if (!all) return std::unexpected(all.error());
        std::vector<LayoutDisplay> displays;
        for (const ScreenLayout::Screen& screen : *all)
            displays.push_back({{screen.displayID, screen.areaDevice}, screen.frame.toRect()});
        return displays;
    };
}

// Pixels through screencopy where the compositor offers it, else through the portal.
std::unique_ptr<CaptureService> makeCaptureService(const MainThreadQueue& queue, Session session) {
    if (session == Session::kde) return std::make_unique<KdeCaptureService>(kdeOutputsForWorker());
    WaylandCaptureService::WindowLister windows;
    if (session == Session::wlroots && !qEnvironmentVariableIsEmpty("SWAYSOCK"))
        windows = [] { return swayWindows(); };
    if (queue.events().find("zwlr_screencopy_manager_v1"))
        return std::make_unique<WaylandCaptureService>(queue.events().display(),
                                                       std::move(windows));
    auto screens = std::make_shared<ScreensForWorker>();
    auto portal = std::make_unique<PortalScreenshot>(layoutDisplays(screens), std::move(windows));
    if (session != Session::gnome) return portal;
    // GNOME picks windows itself; a scrolling capture's frames come from a screen-cast stream.
    const auto settings = [] { return Settings(Settings::userFilePath()); };
    return std::make_unique<ScreenCastCapture>(
        std::make_unique<GnomePortalCapture>(std::move(portal)), layoutDisplays(screens),
        CastTokenStore{
            [settings] { return settings().screenCastRestoreToken(); },
            [settings](const QString& token) { settings().setScreenCastRestoreToken(token); }});
}

// Owns the layer surfaces beside the roles that hand windows to them.
class LayeredWindowRoles final : public WindowRoles {
public:
    explicit LayeredWindowRoles(std::shared_ptr<MainThreadQueue> queue)
        : m_layers(std::move(queue)), m_roles(m_layers) {}
    void prepare(QWidget& window, WindowRole role) override { m_roles.prepare(window, role); }
    bool takeKeyboard(QWidget& overlay) override { return m_roles.takeKeyboard(overlay); }
    bool showsTranslucency() const override { return m_roles.showsTranslucency(); }

private:
    LayerSurfaces m_layers;
    WaylandWindowRoles m_roles;
};

}  // namespace

Session sessionFromEnvironment() {
    const QString desktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP").toLower();
    if (desktop.contains(QLatin1String("sway")) || desktop.contains(QLatin1String("wlroots")) ||
        !qEnvironmentVariableIsEmpty("SWAYSOCK"))
        return Session::wlroots;
    if (desktop.contains(QLatin1String("kde"))) return Session::kde;
    if (desktop.contains(QLatin1String("gnome"))) return Session::gnome;
    return Session::otherWayland;
}

void prepareQt() {
    qputenv("QT_WAYLAND_DISABLE_FIXED_POSITIONS", "1");
    qputenv("QT_WAYLAND_USE_BYPASSWINDOWMANAGERHINT", "1");
}

Platform makeWaylandPlatform(ShortcutNamer shortcutNames) {
    auto queue = std::make_shared<MainThreadQueue>(qtDisplay());
    Platform platform = platformWithQtServices();
    platform.session = sessionFromEnvironment();
    platform.captureService = makeCaptureService(*queue, platform.session);
    platform.screens = std::make_unique<WaylandScreens>();
    platform.keyGrabber = std::make_unique<ConfigBoundKeyGrabber>();
    // Plasma, and GNOME from 48 on, bind the keys through the GlobalShortcuts portal.
    if (platform.session == Session::kde ||
        (platform.session == Session::gnome && hasGlobalShortcutsPortal(gnomeShellVersion())))
        platform.keyGrabber = std::make_unique<PortalKeyGrabber>(std::move(shortcutNames));
    platform.permission = std::make_unique<NoCapturePermission>();
    if (platform.session == Session::gnome)
        platform.permission = std::make_unique<ScreenshotPermission>(
            std::make_unique<PortalPermissionStore>(), *platform.alerts);
    if (platform.session == Session::gnome && !hasGlobalShortcutsPortal(gnomeShellVersion()))
        platform.desktopShortcuts = std::make_unique<CustomKeybindings>();
    platform.clipboard = DataControlClipboard::open(queue);
    if (!platform.clipboard) platform.clipboard = std::make_unique<QtClipboard>();
    if (platform.session == Session::gnome)
        platform.clipboard = std::make_unique<FocusClipboard>(std::move(platform.clipboard), queue);
    platform.windowFocus = std::make_unique<CompositorFocus>();
    platform.windowRoles = std::make_unique<LayeredWindowRoles>(queue);
    if (platform.session == Session::gnome)
        platform.windowRoles = std::make_unique<PanelCanvasRoles>(std::move(platform.windowRoles));
    platform.keyboardGrab = std::make_unique<NoKeyboardGrab>();
    return platform;
}

}  // namespace moxilane::wayland
