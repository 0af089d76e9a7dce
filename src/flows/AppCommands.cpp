#include "flows/AppCommands.h"

#include "flows/CaptureKinds.h"
#include "flows/CommandLine.h"

#include <QStringList>

namespace moxilane {

AppCommands::AppCommands(Services services) : m_services(services) {}

void AppCommands::offerLaunchAtLoginOnce() {
    if (m_services.settings.didAskLaunchAtLogin()) return;
    m_services.settings.setDidAskLaunchAtLogin(true);
    if (m_services.loginItem.status() == LoginItemStatus::Enabled) return;
    m_services.scheduler.post([this] { askLaunchAtLogin(); });
}

void AppCommands::askLaunchAtLogin() {
    const bool accepted = m_services.questions.ask(
        QStringLiteral("Launch Moxilane at Login?"),
        QStringLiteral("Moxilane can start automatically when you log in, so the capture "
                       "shortcuts are always ready. You can change this anytime from the menu."),
        QStringLiteral("Launch at Login"), QStringLiteral("Not Now"));
    // A failure here stays silent: the menu's check mark tells the truth afterwards.
    if (accepted) static_cast<void>(m_services.loginItem.registerItem());
}

void AppCommands::offerDesktopShortcutsOnce() {
    if (!m_services.desktopShortcuts || m_services.settings.didOfferDesktopShortcuts()) return;
    m_services.settings.setDidOfferDesktopShortcuts(true);
    m_services.scheduler.post([this] { askDesktopShortcuts(); });
}

void AppCommands::askDesktopShortcuts() {
    std::vector<DesktopShortcut> shortcuts;
    QStringList keys;
    for (const CaptureKind& kind : captureKinds()) {
        if (kind.shortcut.empty()) continue;
        shortcuts.push_back({QStringLiteral("Moxilane: ") + kindText(kind.menuTitle),
                             QStringLiteral("moxilane ") + kindText(kind.name),
                             kindText(kind.shortcut)});
        keys << kindText(kind.shortcut) + QStringLiteral(" runs moxilane ") + kindText(kind.name);
    }
    const bool accepted = m_services.questions.ask(
        QStringLiteral("Add Moxilane's Shortcuts to GNOME?"),
        QStringLiteral("GNOME lets no program take keys itself. Moxilane can add these to your "
                       "custom keyboard shortcuts, after your own, which stay: ") +
            keys.join(QStringLiteral(", ")) +
            QStringLiteral(". You can change them in Settings, Keyboard."),
        QStringLiteral("Add Shortcuts"), QStringLiteral("Not Now"));
    if (!accepted) return;
    const auto added = m_services.desktopShortcuts->add(shortcuts);
    if (!added)
        m_services.alerts.showAlert(QStringLiteral("Could Not Add the Shortcuts"), added.error());
}

void AppCommands::toggleLaunchAtLogin() {
    const bool enabled = m_services.loginItem.status() == LoginItemStatus::Enabled;
    const auto changed =
        enabled ? m_services.loginItem.unregisterItem() : m_services.loginItem.registerItem();
    if (!changed) {
        m_services.alerts.showAlert(QStringLiteral("Could Not Change Launch at Login"),
                                    changed.error());
    }
}

void AppCommands::showAbout() {
    m_services.alerts.showAlert(QString::fromLatin1(kVersionText),
                                m_services.session == Session::x11
                                    ? QStringLiteral("Built on Qt and the X Window System.")
                                    : QStringLiteral("Built on Qt and Wayland."));
}

void AppCommands::showInstructions() {
    m_services.alerts.showAlert(QStringLiteral("Instructions"),
                                instructionsText(m_services.session));
}

namespace {

// The Instructions' last three lines: where this desktop binds the shortcuts.
QStringList shortcutBindingLines(Session session) {
    switch (session) {
        case Session::x11:
            return {QStringLiteral("On X11 no capture permission is needed. If another"),
                    QStringLiteral("program holds a shortcut, bind moxilane area (or"),
                    QStringLiteral("window, screen, scroll) in your keyboard settings.")};
        case Session::wlroots:
            return {QStringLiteral("sway binds the shortcuts in its config file: add"),
                    QStringLiteral("the bindsym lines that moxilane --help and"),
                    QStringLiteral("man moxilane give, then reload sway.")};
        case Session::kde:
            return {QStringLiteral("Plasma lists these in System Settings, Shortcuts,"),
                    QStringLiteral("Moxilane, where you may change them. Start it from"),
                    QStringLiteral("its menu entry, or captures go the slower portal way.")};
        case Session::gnome:
            return {QStringLiteral("On the first capture GNOME asks if Moxilane may"),
                    QStringLiteral("take screenshots: allow it. Moxilane offers once to"),
                    QStringLiteral("add its shortcuts to GNOME's keyboard settings.")};
        case Session::otherWayland:
            break;
    }
    return {QStringLiteral("Bind the shortcuts in your keyboard settings to"),
            QStringLiteral("moxilane area (or window, screen, scroll); see"),
            QStringLiteral("moxilane --help and man moxilane for details.")};
}

}  // namespace

QString AppCommands::instructionsText(Session session) {
    // Fourteen lines as they are meant to break; the alert must not re-wrap them.
    QStringList lines{QStringLiteral("Global shortcuts:")};
    for (const CaptureKind& kind : captureKinds()) {
        if (!kind.instructions.empty())
            lines << kindText(kind.shortcut) + QStringLiteral(" — ") + kindText(kind.instructions);
    }
    lines << QString() << QStringLiteral("While selecting: Esc cancels the capture.") << QString()
          << shortcutBindingLines(session);
    return lines.join(QLatin1Char('\n'));
}

}  // namespace moxilane
