#pragma once

#include "delivery/CaptureDelivery.h"
#include "flows/CaptureCommand.h"
#include "flows/FlowUi.h"
#include "flows/TextOutcome.h"
#include "platform/Capture.h"
#include "platform/CaptureService.h"
#include "platform/KeyboardGrab.h"
#include "platform/Scheduler.h"
#include "platform/Screens.h"
#include "platform/Services.h"
#include "platform/Settings.h"
#include "platform/WindowRoles.h"
#include "text/TextReader.h"

#include <atomic>
#include <chrono>
#include <expected>

namespace moxilane {

// Every capture from its trigger to delivery, one at a time. A trigger that arrives while
// a flow runs is dropped, except the scrolling trigger, which finishes a running
// scrolling capture. Capture work runs on the scheduler's worker; the flow's state is
// touched only on the main thread.
class CaptureFlows {
public:
    struct Services {
        CapturePermission& permission;
        Settings& settings;
        CaptureService& captureService;
        ScreenList& screens;
        CaptureDelivery& delivery;
        PreviewPresenter& preview;
        Alerts& alerts;
        Scheduler& scheduler;
    };
    // The interactive parts. An absent selector or picker ends its flow quietly; the
    // scrolling capture needs the region selector and its runner.
    struct Ui {
        RegionSelector* regionSelector = nullptr;
        ScrollCaptureRunner* scrollCapture = nullptr;
        WindowPicker* windowPicker = nullptr;
        // Taken as a selection starts, so an Esc before its overlay shows cancels it.
        KeyboardGrab* keyboardGrab = nullptr;
        // Holds the screen still from before it is read until the overlay closes.
        WindowRoles* windowRoles = nullptr;
        // Capture Text: the reader, used on the worker only, where its result goes, and the
        // clipboard that gets the text.
        TextReader* textReader = nullptr;
        TextPresenter* textPresenter = nullptr;
        Clipboard* clipboard = nullptr;
    };

    static constexpr std::chrono::milliseconds kMenuFullScreenDelay{400};
    static constexpr std::chrono::milliseconds kDelayedFullScreenDelay{5000};
    static constexpr std::chrono::milliseconds kAfterSelectionDelay{150};
    static constexpr double kMinimumScrollHeightPx = 120.0;
    static constexpr std::chrono::seconds kTextEngineIdle{60};
    // As long as the overlays keep their windows after a selection.
    static constexpr std::chrono::seconds kCaptureBuffersIdle{120};

    CaptureFlows(Services services, Ui ui);

    // Readies the capture back-end at start, for a fast first capture; what that keeps
    // goes after two idle minutes, as after any capture.
    void prepareCaptures();

    void startRegionCapture();
    void startWindowCapture();
    void startFullScreenCapture();
    void startScrollingCapture();
    void captureFullScreenFromMenu();  // after 0.4 s, so the menu has closed
    void captureFullScreenDelayed();   // after 5 s
    void startTextCapture();
    // Capture Text for the command line: answer hears how it ended, once.
    using TextAnswer = std::function<void(const TextOutcome&)>;
    void captureTextFor(TextAnswer answer);

    bool captureFlowActive() const { return m_captureFlowActive; }
    // The user just chose an area on the region overlay, or clicked Done on the scrolling
    // panel, which still has their input.
    void selectionChosen();

    // The agent's answer to a command given now; what it asks for runs after the reply.
    enum class CommandAnswer { Started, Finished, Busy };
    CommandAnswer answerCommand(CaptureCommand command) const;
    static QByteArray commandReply(CommandAnswer answer);

    // Where the service cannot list windows, a window is picked as an area.
    static QString windowAreaHint() { return QStringLiteral("Select the window's area"); }
    static QString scrollingHint() {
        return QStringLiteral(
            "Select only the visible part — you'll scroll through the rest afterwards");
    }
    static QString textHint() { return QStringLiteral("Select the text to copy"); }

private:
    bool checkPermission();
    bool passStartGuard();
    void endFlow() {
        m_holdClipboardOnChoice = false;
        releaseSelectionHolds();
        m_captureFlowActive = false;
        ++m_flowsEnded;
        releaseCaptureBuffersWhenIdle();
    }
    void releaseCaptureBuffersWhenIdle();
    void holdForSelection();
    void releaseSelectionHolds() {
        m_heldKeyboard.reset();
        m_heldScreen.reset();
    }
    bool escapedBeforeShowing() const;
    void failBeforeAlert(const CaptureError& error);
    void withSnapshots(std::function<void(SnapshotMap)> next);
    void beginRegionCapture(const std::optional<QString>& hint);
    void finishRegion(const std::optional<RegionSelection>& selection,
                      const SnapshotMap& snapshots);
    void finishScrollSelection(const std::optional<RegionSelection>& selection);
    // The screens the picker showed, kept where a window is cut from them.
    struct FrozenScreens {
        std::vector<DisplayInfo> displays;
        SnapshotMap snapshots;
    };
    void startDesktopWindowPick();
    void finishWindowPick(const std::optional<WindowInfo>& window,
                          std::optional<FrozenScreens> frozen);
    void performWindowCapture(const WindowInfo& window, const std::optional<FrozenScreens>& frozen);
    void finishTextSelection(const std::optional<RegionSelection>& selection,
                             const SnapshotMap& snapshots, const TextAnswer& answer);
    void readText(const QImage& image, const TextAnswer& answer);
    void finishTextReading(const std::expected<QString, TextReadError>& text,
                           const TextAnswer& answer);
    void releaseTextEngineWhenIdle();
    void cancelTextReading();

    // Worker side: what the capture service gives.
    std::expected<SnapshotMap, CaptureError> snapshotDisplays();
    std::expected<std::vector<std::pair<DisplayInfo, QImage>>, CaptureError> captureAllDisplays();
    std::expected<std::vector<std::pair<DisplayInfo, QImage>>, CaptureError> captureDisplays(
        const std::vector<DisplayInfo>& displays);
    struct PickerContent {
        std::vector<WindowInfo> windows;
        FrozenScreens screens;
    };
    std::expected<PickerContent, CaptureError> windowsAndSnapshots();

    Services m_services;
    Ui m_ui;
    bool m_captureFlowActive = false;
    bool m_holdClipboardOnChoice = false;  // the running selection gives an image capture
    // From a selection's start until it ends; the overlay's own grab takes over from it.
    std::unique_ptr<HeldKeyboard> m_heldKeyboard;
    std::unique_ptr<HeldScreen> m_heldScreen;
    // The text reading on the worker, if any: a new capture sets it to stop that reading.
    std::shared_ptr<std::atomic<bool>> m_textCancel;
    int m_textReadings = 0;  // finished so far; the engine is freed when it stays put
    int m_flowsEnded = 0;    // the capture service's buffers go when it stays put
};

}  // namespace moxilane
