#include "platform/wayland/WaylandPlatform.h"

#include "platform/posix/XdgAutostart.h"
#include "platform/qt/QtAlerts.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/QtDesktop.h"
#include "platform/qt/QtEditServices.h"
#include "platform/qt/QtQuestions.h"
#include "platform/qt/QtServices.h"
#include "platform/wayland/DataControlClipboard.h"
#include "platform/wayland/LayerSurfaces.h"
#include "platform/wayland/WaylandCaptureService.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandScreens.h"
#include "platform/wayland/WaylandWindowRoles.h"

#include <QCoreApplication>

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

// TEMPORARY until the compositor-bound key grabber lands.
class CompositorKeys final : public KeyGrabber {
public:
    void setPressHandler(std::function<void(HotKeyID)>) override {}
    bool grab(std::uint32_t, std::uint32_t, HotKeyID) override { return true; }
};

// Owns the layer surfaces beside the roles that hand windows to them.
class LayeredWindowRoles final : public WindowRoles {
public:
    explicit LayeredWindowRoles(std::shared_ptr<MainThreadQueue> queue)
        : m_layers(std::move(queue)), m_roles(m_layers) {}
    void prepare(QWidget& window, WindowRole role) override { m_roles.prepare(window, role); }
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

Platform makeWaylandPlatform() {
    wl_display* display = qtDisplay();
    auto queue = std::make_shared<MainThreadQueue>(display);
    std::unique_ptr<Clipboard> clipboard = DataControlClipboard::open(queue);
    if (!clipboard) clipboard = std::make_unique<QtClipboard>();
    auto questions = std::make_unique<QtQuestions>();
    auto loginItem = std::make_unique<XdgAutostart>(
        XdgAutostart::userAutostartFolder(), QCoreApplication::applicationFilePath(), *questions);
    return Platform{
        .session = sessionFromEnvironment(),
        .scheduler = std::make_unique<QtScheduler>(),
        .captureService =
            std::make_unique<WaylandCaptureService>(display, WaylandCaptureService::WindowLister{}),
        .screens = std::make_unique<WaylandScreens>(),
        .keyGrabber = std::make_unique<CompositorKeys>(),
        .permission = std::make_unique<NoCapturePermission>(),
        .alerts = std::make_unique<QtAlerts>(),
        .clipboard = std::move(clipboard),
        .desktop = std::make_unique<QtDesktop>(),
        .folderPicker = std::make_unique<QtFolderPicker>(),
        .savePanel = std::make_unique<QtSavePanel>(),
        .clock = std::make_unique<SystemClock>(),
        .questions = std::move(questions),
        .loginItem = std::move(loginItem),
        .windowFocus = std::make_unique<CompositorFocus>(),
        .windowRoles = std::make_unique<LayeredWindowRoles>(queue),
        .keyboardGrab = std::make_unique<NoKeyboardGrab>(),
    };
}

}  // namespace moxilane::wayland
