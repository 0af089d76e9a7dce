#pragma once

#include "app/MarkupOwner.h"
#include "app/StatusMenu.h"
#include "app/TextResultPresenter.h"
#include "delivery/CaptureDelivery.h"
#include "delivery/SaveLocationStore.h"
#include "flows/AppCommands.h"
#include "flows/CaptureFlows.h"
#include "flows/HotKeyCenter.h"
#include "flows/StatusMenuModel.h"
#include "platform/Platform.h"
#include "scroll/ScrollCaptureController.h"
#include "scroll/ScrollHudPanel.h"
#include "selection/RegionSelectionController.h"
#include "selection/WindowPickerController.h"
#include "text/TesseractTextReader.h"

#include <QByteArray>
#include <QObject>
#include <QSystemTrayIcon>

#include <memory>

namespace moxilane {

// The system services the program runs on (the Platform that main chose), and the preview.
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
    SavePanel& savePanel;
    Clock& clock;
    PreviewPresenter& preview;
    LoginItem& loginItem;
    Questions& questions;
    WindowFocus& windowFocus;
    WindowRoles& windowRoles;
    KeyboardGrab& keyboardGrab;
    Session session = Session::x11;
    DesktopShortcuts* desktopShortcuts = nullptr;
};

// The program's one long-lived owner: settings, hot keys, the save folder, delivery and
// the capture flows, and the tray icon with its menu. Lives on the main thread.
class AppDelegate final : public QObject {
    Q_OBJECT
public:
    AppDelegate(PlatformServices platform, Settings& settings);

    // Once the event loop can start: the login offer (shown after launch), the tray icon
    // and its menu, then the hot keys.
    void launch();

    // A command line's request ("screen"); replies "started", "busy" when another capture
    // runs (the start guard would drop it), or "unknown". "text" replies with its result.
    void handleCommand(const QByteArray& request, const std::function<void(QByteArray)>& reply);

private:
    void createStatusItem();
    void perform(const MenuEntry& entry);
    void revealFolder();
    void registerHotKeys();

    PlatformServices m_platform;
    HotKeyCenter m_hotKeys;
    SaveLocationStore m_saveLocation;
    CaptureDelivery m_delivery;
    RegionSelectionController m_regionController;
    WindowPickerController m_windowPicker;
    ScrollHudPanel m_scrollHud;
    ScrollCaptureController m_scrollCapture;
    TesseractTextReader m_textReader;
    TextResultPresenter m_textPresenter;
    CaptureFlows m_flows;
    StatusMenuModel m_menuModel;
    AppCommands m_commands;
    std::unique_ptr<StatusMenu> m_statusMenu;
    std::unique_ptr<QSystemTrayIcon> m_statusItem;
    MarkupOwner m_markupOwner;
};

}  // namespace moxilane
