#include "flows/CaptureFlows.h"

#include "capture/CaptureEngine.h"
#include "capture/WindowShadow.h"
#include "platform/Diagnostics.h"

namespace moxilane {

namespace {

// The window as the frozen screen showed it: its frame clipped to the display under its
// centre, from that display's snapshot. Covered parts show what covered them.
std::expected<QImage, CaptureError> cutFromFrozenScreen(const WindowInfo& window,
                                                        const std::vector<DisplayInfo>& displays,
                                                        const SnapshotMap& snapshots) {
    for (const DisplayInfo& display : displays) {
        if (!display.areaDevice.contains(window.frameDevice.center())) continue;
        const auto snapshot = snapshots.find(display.displayID);
        if (snapshot == snapshots.end()) break;
        const QRect area = window.frameDevice.intersected(display.areaDevice);
        return snapshot->second.copy(area.translated(-display.areaDevice.topLeft()));
    }
    return std::unexpected(
        CaptureError{CaptureError::Kind::Refused, QStringLiteral("the window lies on no display")});
}

}  // namespace

CaptureFlows::CaptureFlows(Services services, Ui ui) : m_services(services), m_ui(ui) {}

bool CaptureFlows::checkPermission() {
    if (m_services.permission.preflight()) return true;
    const bool alreadyAsked = m_services.settings.didRequestScreenRecording();
    m_services.settings.setDidRequestScreenRecording(true);
    m_services.permission.request();
    if (alreadyAsked) m_services.permission.openSettings();
    return false;
}

bool CaptureFlows::passStartGuard() {
    if (!checkPermission()) return false;
    if (m_captureFlowActive) return false;  // dropped, not queued
    m_captureFlowActive = true;
    cancelTextReading();
    m_services.preview.dismiss(false);
    return true;
}

void CaptureFlows::holdForSelection() {
    if (m_ui.keyboardGrab) m_heldKeyboard = m_ui.keyboardGrab->take();
    // Before the screen is read, so that what the overlay shows is what was read.
    if (m_ui.windowRoles) m_heldScreen = m_ui.windowRoles->holdScreen();
}

bool CaptureFlows::escapedBeforeShowing() const {
    return m_heldKeyboard && m_heldKeyboard->escapePressed();
}

// Preparation failures end the flow first, so the alert does not hold up the next capture.
void CaptureFlows::failBeforeAlert(const CaptureError& error) {
    endFlow();
    m_services.delivery.showCaptureError(error);
}

CaptureFlows::CommandAnswer CaptureFlows::answerCommand(CaptureCommand command) const {
    // Only a scrolling capture that is sampling ends on its own command; its selection
    // overlay is a flow like any other.
    if (command == CaptureCommand::Scroll && m_ui.scrollCapture && m_ui.scrollCapture->isRunning())
        return CommandAnswer::Finished;
    return m_captureFlowActive ? CommandAnswer::Busy : CommandAnswer::Started;
}

QByteArray CaptureFlows::commandReply(CommandAnswer answer) {
    switch (answer) {
        case CommandAnswer::Started:
            return QByteArrayLiteral("started");
        case CommandAnswer::Finished:
            return QByteArrayLiteral("finished");
        case CommandAnswer::Busy:
            break;
    }
    return QByteArrayLiteral("busy");
}

void CaptureFlows::captureFullScreenFromMenu() {
    m_services.scheduler.postAfter(kMenuFullScreenDelay, [this] { startFullScreenCapture(); });
}

void CaptureFlows::captureFullScreenDelayed() {
    m_services.scheduler.postAfter(kDelayedFullScreenDelay, [this] {
        // Whoever asked has long had their answer: say why nothing was taken.
        if (m_captureFlowActive) {
            printDiagnostic(
                QStringLiteral("the delayed full-screen capture was not taken: "
                               "another capture was in progress"));
            return;
        }
        startFullScreenCapture();
    });
}

void CaptureFlows::startFullScreenCapture() {
    if (!passStartGuard()) return;
    inBackground(
        m_services.scheduler, [this] { return captureAllDisplays(); },
        [this](auto displays) {
            if (!displays) {
                // The alert comes first: no new capture while it is open.
                m_services.delivery.showCaptureError(displays.error());
                endFlow();
                return;
            }
            const std::vector<ScreenInfo> screens = m_services.screens.screens();
            CaptureList captures;
            for (auto& [display, image] : *displays) {
                captures.push_back({std::move(image),
                                    CaptureEngine::backingScale(screens, display.displayID),
                                    display.areaDevice.topLeft()});
            }
            m_services.delivery.deliver(std::move(captures), [this] { endFlow(); });
        });
}

void CaptureFlows::startRegionCapture() {
    beginRegionCapture(std::nullopt);
}

void CaptureFlows::beginRegionCapture(const std::optional<QString>& hint) {
    if (!passStartGuard()) return;
    m_holdClipboardOnChoice = true;
    holdForSelection();
    withSnapshots([this, hint](SnapshotMap snapshots) {
        if (!m_ui.regionSelector) return endFlow();
        m_ui.regionSelector->begin(hint, snapshots,
                                   [this, snapshots](std::optional<RegionSelection> selection) {
                                       finishRegion(selection, snapshots);
                                   });
    });
}

void CaptureFlows::selectionChosen() {
    // Where the desktop takes a copy only from a window in use, this is the last moment.
    const bool scrolling = m_ui.scrollCapture && m_ui.scrollCapture->isRunning();
    if (m_holdClipboardOnChoice || scrolling) m_services.delivery.holdClipboard();
}

void CaptureFlows::finishRegion(const std::optional<RegionSelection>& selection,
                                const SnapshotMap& snapshots) {
    releaseSelectionHolds();  // the overlay has closed
    if (!selection) return endFlow();
    const auto snapshot = snapshots.find(selection->screen.displayID);
    if (snapshot == snapshots.end()) return endFlow();
    // Cut from the frozen picture the user saw; the screen is not captured again.
    auto image = CaptureEngine::crop(snapshot->second, selection->rectGlobal, selection->screen);
    if (!image) return endFlow();
    m_services.delivery.deliver({{std::move(*image), selection->screen.backingScaleFactor}},
                                [this] { endFlow(); });
}

void CaptureFlows::startWindowCapture() {
    if (m_services.captureService.picksWindowsItself()) return startDesktopWindowPick();
    if (!m_services.captureService.listsWindows()) return beginRegionCapture(windowAreaHint());
    if (!passStartGuard()) return;
    holdForSelection();
    inBackground(
        m_services.scheduler, [this] { return windowsAndSnapshots(); },
        [this](auto content) {
            if (!content) return failBeforeAlert(content.error());
            if (!m_ui.windowPicker || escapedBeforeShowing()) return endFlow();
            std::optional<FrozenScreens> frozen;
            if (!m_services.captureService.capturesCoveredWindows()) frozen = content->screens;
            m_ui.windowPicker->begin(content->windows, content->screens.snapshots,
                                     [this, frozen](std::optional<WindowInfo> window) {
                                         finishWindowPick(window, frozen);
                                     });
        });
}

// The desktop's picker runs on the worker; its picture goes to delivery as it is, at the
// primary screen's scale, as the picker says nothing of where the window lay.
void CaptureFlows::startDesktopWindowPick() {
    if (!passStartGuard()) return;
    inBackground(
        m_services.scheduler, [this] { return m_services.captureService.pickWindow(); },
        [this](auto picked) {
            if (!picked) return failBeforeAlert(picked.error());
            if (!*picked) return endFlow();
            const std::vector<ScreenInfo> screens = m_services.screens.screens();
            const double scale = screens.empty() ? 1.0 : screens.front().backingScaleFactor;
            CaptureList captures;
            captures.push_back({std::move(**picked), scale});
            m_services.delivery.deliver(std::move(captures), [this] { endFlow(); });
        });
}

void CaptureFlows::finishWindowPick(const std::optional<WindowInfo>& window,
                                    std::optional<FrozenScreens> frozen) {
    releaseSelectionHolds();
    if (!window) return endFlow();
    // Lets the picker's panels leave the screen before the window is read.
    m_services.scheduler.postAfter(kAfterSelectionDelay,
                                   [this, window = *window, frozen = std::move(frozen)] {
                                       performWindowCapture(window, frozen);
                                   });
}

void CaptureFlows::performWindowCapture(const WindowInfo& window,
                                        const std::optional<FrozenScreens>& frozen) {
    const bool withShadow = m_services.settings.windowShadow();
    const double scale =
        CaptureEngine::backingScaleForWindowFrame(m_services.screens.layout(), window.frame);
    inBackground(
        m_services.scheduler,
        [this, window, frozen, withShadow, scale]() -> std::expected<QImage, CaptureError> {
            auto image = frozen ? cutFromFrozenScreen(window, frozen->displays, frozen->snapshots)
                                : m_services.captureService.captureWindow(window);
            if (!image || !withShadow) return image;
            // Without a canvas for the shadow, the plain window is still a capture.
            if (auto shadowed = compositeShadow(*image, scale)) return *shadowed;
            return image;
        },
        [this, scale](std::expected<QImage, CaptureError> image) {
            if (!image) {
                m_services.delivery.showCaptureError(image.error());
                endFlow();
                return;
            }
            m_services.delivery.deliver({{std::move(*image), scale}}, [this] { endFlow(); });
        });
}

void CaptureFlows::startScrollingCapture() {
    if (m_ui.scrollCapture->isRunning()) {
        m_ui.scrollCapture->finish();
        return;
    }
    if (!passStartGuard()) return;
    holdForSelection();
    withSnapshots([this](SnapshotMap snapshots) {
        m_ui.regionSelector->begin(
            scrollingHint(), snapshots,
            [this](std::optional<RegionSelection> selection) { finishScrollSelection(selection); });
    });
}

void CaptureFlows::finishScrollSelection(const std::optional<RegionSelection>& selection) {
    releaseSelectionHolds();
    if (!selection) return endFlow();
    const double heightPx = selection->rectGlobal.height() * selection->screen.backingScaleFactor;
    if (heightPx < kMinimumScrollHeightPx) {
        endFlow();
        m_services.alerts.showAlert(
            QStringLiteral("Selection Too Short"),
            QStringLiteral("Select a taller area for a scrolling capture."));
        return;
    }
    m_services.scheduler.postAfter(kAfterSelectionDelay, [this, area = *selection] {
        m_ui.scrollCapture->begin(
            area, [this, scale = area.screen.backingScaleFactor](std::optional<QImage> image) {
                if (!image) return endFlow();
                m_services.delivery.deliver({{std::move(*image), scale}}, [this] { endFlow(); });
            });
    });
}

void CaptureFlows::withSnapshots(std::function<void(SnapshotMap)> next) {
    inBackground(
        m_services.scheduler, [this] { return snapshotDisplays(); },
        [this, next = std::move(next)](auto snapshots) {
            if (!snapshots) return failBeforeAlert(snapshots.error());
            if (escapedBeforeShowing()) return endFlow();
            next(std::move(*snapshots));
        });
}

std::expected<SnapshotMap, CaptureError> CaptureFlows::snapshotDisplays() {
    auto images = captureAllDisplays();
    if (!images) return std::unexpected(images.error());
    SnapshotMap snapshots;
    // A later display with the same identifier replaces the earlier one.
    for (auto& [display, image] : *images)
        snapshots[display.displayID] = std::move(image);
    return snapshots;
}

// One display after another, in the service's order; any failure abandons them all.
std::expected<std::vector<std::pair<DisplayInfo, QImage>>, CaptureError>
CaptureFlows::captureAllDisplays() {
    auto displays = m_services.captureService.displays();
    if (!displays) return std::unexpected(displays.error());
    return captureDisplays(*displays);
}

std::expected<std::vector<std::pair<DisplayInfo, QImage>>, CaptureError>
CaptureFlows::captureDisplays(const std::vector<DisplayInfo>& displays) {
    std::vector<std::pair<DisplayInfo, QImage>> images;
    for (const DisplayInfo& display : displays) {
        auto image = m_services.captureService.captureDisplay(display);
        if (!image) return std::unexpected(image.error());
        images.emplace_back(display, std::move(*image));
    }
    if (images.empty()) return std::unexpected(CaptureError{CaptureError::Kind::NoDisplay, {}});
    return images;
}

// The picker lists the windows of one moment and shows the screens of the same moment.
std::expected<CaptureFlows::PickerContent, CaptureError> CaptureFlows::windowsAndSnapshots() {
    auto content = m_services.captureService.shareableContent();
    if (!content) return std::unexpected(content.error());
    auto images = captureDisplays(content->displays);
    if (!images) return std::unexpected(images.error());
    PickerContent result{std::move(content->windows), {std::move(content->displays), {}}};
    for (auto& [display, image] : *images)
        result.screens.snapshots[display.displayID] = std::move(image);
    return result;
}

void CaptureFlows::prepareCaptures() {
    m_services.scheduler.runInBackground(
        [&service = m_services.captureService] { service.prepare(); }, [] {});
    releaseCaptureBuffersWhenIdle();
}

void CaptureFlows::releaseCaptureBuffersWhenIdle() {
    m_services.scheduler.postAfter(kCaptureBuffersIdle, [this, ended = m_flowsEnded] {
        if (ended != m_flowsEnded || m_captureFlowActive) return;  // used since
        m_services.scheduler.runInBackground(
            [&service = m_services.captureService] { service.releaseBuffers(); }, [] {});
    });
}

}  // namespace moxilane
