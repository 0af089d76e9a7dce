#pragma once

#include "app/CaptureFlows.h"
#include "app/HotKeyCenter.h"
#include "delivery/CaptureDelivery.h"
#include "delivery/SaveLocationStore.h"
#include "platform/WindowFocus.h"
#include "selection/RegionSelectionController.h"
#include "selection/WindowPickerController.h"

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

#include <memory>

namespace moxilane {

// The system services the program runs on, chosen once at start-up by main.
struct PlatformServices {
    Scheduler& scheduler;
    CaptureService& captureService;
    ScreenList& screens;
    KeyGrabber& keyGrabber;
    CapturePermission& permission;
    Alerts& alerts;
    Clipboard& clipboard;
    Desktop& desktop;
    FolderPicker& folderPicker;
    Clock& clock;
    PreviewPresenter& preview;
    WindowFocus& windowFocus;
};

// The program's one long-lived owner: settings, hot keys, the save folder, delivery and
// the capture flows, and the tray icon with its menu. Lives on the main thread.
class AppDelegate final : public QObject {
    Q_OBJECT
public:
    AppDelegate(PlatformServices platform, Settings& settings);

    // Once the event loop can start: the tray icon and its menu, then the hot keys.
    void launch();

private:
    void buildMenu();
    void menuNeedsUpdate();
    void chooseFolder() { m_saveLocation.promptForFolder(); }
    void revealFolder();
    void registerHotKeys();

    PlatformServices m_platform;
    HotKeyCenter m_hotKeys;
    SaveLocationStore m_saveLocation;
    CaptureDelivery m_delivery;
    RegionSelectionController m_regionController;
    WindowPickerController m_windowPicker;
    CaptureFlows m_flows;
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<QSystemTrayIcon> m_statusItem;
    QAction* m_folderItem = nullptr;  // owned by m_menu
};

}  // namespace moxilane
