#include "app/AppDelegate.h"

#include "flows/CaptureHotKeys.h"
#include "flows/CaptureStarts.h"
#include "flows/CommandLine.h"
#include "platform/Diagnostics.h"
#include "text/TextLanguages.h"

#include <QApplication>
#include <QCursor>

#include <unistd.h>

namespace moxilane {

AppDelegate::AppDelegate(PlatformServices platform, Settings& settings)
    : m_platform(platform),
      m_hotKeys(platform.keyGrabber, platform.scheduler),
      m_saveLocation(settings, platform.folderPicker),
      m_delivery(
          {settings, m_saveLocation, platform.clipboard, platform.desktop, platform.alerts,
           platform.preview, platform.clock, platform.scheduler},
          [this](const Capture& primary, const SavedFiles& savedFiles) {
              m_markupOwner.openMarkupEditor(primary.image, primary.scale, savedFiles);
          },
          [this](const Capture& primary) { m_markupOwner.pin(primary.image, primary.scale); }),
      m_regionController(platform.screens, platform.windowFocus, platform.windowRoles),
      m_windowPicker(platform.screens, platform.windowFocus, platform.windowRoles),
      m_scrollHud(platform.screens, platform.windowRoles),
      m_scrollCapture(
          {platform.scheduler, platform.captureService, platform.alerts, m_scrollHud, getpid()}),
      m_textReader(textDataFolder()),
      m_textPresenter(platform.screens, platform.windowRoles, platform.clipboard),
      m_flows({platform.permission, settings, platform.captureService, platform.screens, m_delivery,
               platform.preview, platform.alerts, platform.scheduler},
              CaptureFlows::Ui{.regionSelector = &m_regionController,
                               .scrollCapture = &m_scrollCapture,
                               .windowPicker = &m_windowPicker,
                               .keyboardGrab = &platform.keyboardGrab,
                               .windowRoles = &platform.windowRoles,
                               .textReader = &m_textReader,
                               .textPresenter = &m_textPresenter,
                               .clipboard = &platform.clipboard}),
      m_menuModel(settings, m_saveLocation, platform.loginItem),
      m_commands({settings, platform.loginItem, platform.alerts, platform.questions,
                  platform.scheduler, platform.session, platform.desktopShortcuts}),
      m_markupOwner(
          platform.screens,
          {m_saveLocation, platform.clock, platform.savePanel, platform.alerts, platform.clipboard},
          {platform.questions, platform.clipboard, platform.desktop, platform.alerts,
           &platform.windowRoles},
          {{platform.windowRoles, platform.clipboard, platform.savePanel, platform.alerts},
           m_saveLocation,
           platform.clock}) {
    m_delivery.setPrepareEdit([this](const Capture& primary) {
        return m_markupOwner.prepareMarkupEditor(primary.image, primary.scale);
    });
}

void AppDelegate::launch() {
    m_regionController.onChosen = [this] { m_flows.selectionChosen(); };
    m_scrollCapture.onDone = [this] { m_flows.selectionChosen(); };
    m_commands.offerLaunchAtLoginOnce();
    m_commands.offerDesktopShortcutsOnce();
    createStatusItem();
    registerHotKeys();
    m_flows.prepareCaptures();
}

void AppDelegate::createStatusItem() {
    m_statusItem = std::make_unique<QSystemTrayIcon>(QApplication::windowIcon());
    m_statusItem->setToolTip(QStringLiteral("Moxilane"));
    m_statusMenu = std::make_unique<StatusMenu>(m_menuModel,
                                                [this](const MenuEntry& entry) { perform(entry); });
    m_statusItem->setContextMenu(m_statusMenu->menu());
    // A left click opens the same menu; there is no other click action.
    connect(m_statusItem.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger) m_statusMenu->menu()->popup(QCursor::pos());
            });
    // Without a tray host the icon waits for one to appear; captures work meanwhile.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        printDiagnostic(
            QStringLiteral("no system tray found; the menu shows once one starts, and the "
                           "shortcuts and the moxilane commands work meanwhile"));
    }
    m_statusItem->show();
}

void AppDelegate::perform(const MenuEntry& entry) {
    using C = MenuCommand;
    if (m_menuModel.toggle(entry.command)) return;
    switch (entry.command) {
        case C::Capture:
            return (m_flows.*captureStartFromMenu(entry.capture))();
        case C::ChooseFolder:
            return static_cast<void>(m_saveLocation.promptForFolder());
        case C::RevealFolder:
            return revealFolder();
        case C::ToggleLaunchAtLogin:
            return m_commands.toggleLaunchAtLogin();
        case C::ShowInstructions:
            return m_commands.showInstructions();
        case C::ShowAbout:
            return m_commands.showAbout();
        case C::Quit:
            return QApplication::quit();
        default:
            return;  // the setting toggles, done above
    }
}

void AppDelegate::handleCommand(const QByteArray& request,
                                const std::function<void(QByteArray)>& reply) {
    const auto command = captureCommandNamed(request);
    if (!command) return reply(QByteArrayLiteral("unknown"));
    const auto answer = m_flows.answerCommand(*command);
    if (answer == CaptureFlows::CommandAnswer::Busy)
        return reply(CaptureFlows::commandReply(answer));
    if (*command == CaptureCommand::Text) {
        // The command waits for the text itself.
        m_platform.scheduler.post([this, reply] {
            m_flows.captureTextFor([reply](const TextOutcome& outcome) { reply(outcome.reply()); });
        });
        return;
    }
    // Like a hot key's action, the capture starts once this event has been handled: the
    // reply goes out first, whatever the capture then shows.
    m_platform.scheduler.post([this, start = captureStart(*command)] { (m_flows.*start)(); });
    reply(CaptureFlows::commandReply(answer));
}

void AppDelegate::revealFolder() {
    revealSaveFolder(m_saveLocation, m_platform.desktop, m_platform.alerts);
}

void AppDelegate::registerHotKeys() {
    registerCaptureHotKeys(m_hotKeys, m_flows);
}

}  // namespace moxilane
