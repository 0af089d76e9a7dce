#include "app/AppDelegate.h"

#include "app/CaptureHotKeys.h"

#include <QApplication>
#include <QCursor>
#include <QFileInfo>

namespace moxilane {

AppDelegate::AppDelegate(PlatformServices platform, Settings& settings)
    : m_platform(platform),
      m_hotKeys(platform.keyGrabber, platform.scheduler),
      m_saveLocation(settings, platform.folderPicker),
      m_delivery({settings, m_saveLocation, platform.clipboard, platform.desktop, platform.alerts,
                  platform.preview, platform.clock, platform.scheduler}),
      m_flows({platform.permission, settings, platform.captureService, platform.screens, m_delivery,
               platform.preview, platform.alerts, platform.scheduler},
              CaptureFlows::Ui{}) {}

void AppDelegate::launch() {
    m_statusItem = std::make_unique<QSystemTrayIcon>(QApplication::windowIcon());
    m_statusItem->setToolTip(QStringLiteral("Moxilane — Screenshots"));
    buildMenu();
    m_statusItem->setContextMenu(m_menu.get());
    // A left click opens the same menu; there is no other click action.
    connect(m_statusItem.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger) m_menu->popup(QCursor::pos());
            });
    // Without a tray host the icon waits for one to appear; captures work meanwhile.
    m_statusItem->show();
    registerHotKeys();
    m_platform.scheduler.runInBackground([this] { m_platform.captureService.prepare(); }, [] {});
}

void AppDelegate::buildMenu() {
    m_menu = std::make_unique<QMenu>();
    auto add = [this](const QString& title, auto action, const QKeySequence& keys = {}) {
        QAction* item = m_menu->addAction(title, this, action);
        item->setShortcut(keys);
        item->setShortcutVisibleInContextMenu(true);
        return item;
    };
    add(
        QStringLiteral("Capture Full Screen"), [this] { m_flows.captureFullScreenFromMenu(); },
        QKeySequence(QStringLiteral("Ctrl+Shift+3")));
    m_menu->addSeparator();
    m_folderItem = add(QStringLiteral("Save To…"), [this] { chooseFolder(); });
    add(QStringLiteral("Show Captures Folder in File Manager"), [this] { revealFolder(); });
    m_menu->addSeparator();
    add(
        QStringLiteral("Quit Moxilane"), [] { QApplication::quit(); },
        QKeySequence(QStringLiteral("Ctrl+Q")));
    connect(m_menu.get(), &QMenu::aboutToShow, this, [this] { menuNeedsUpdate(); });
}

void AppDelegate::menuNeedsUpdate() {
    const auto folder = m_saveLocation.currentFolder();
    const QString name = folder ? QFileInfo(*folder).fileName() : QStringLiteral("not set");
    // The root folder has no last component; show it as "/".
    m_folderItem->setText(QStringLiteral("Save To: %1…").arg(name.isEmpty() ? *folder : name));
}

void AppDelegate::revealFolder() {
    revealSaveFolder(m_saveLocation, m_platform.desktop, m_platform.alerts);
}

void AppDelegate::registerHotKeys() {
    registerCaptureHotKeys(m_hotKeys, m_flows);
}

}  // namespace moxilane
