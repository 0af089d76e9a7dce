#include "selection/WindowPickerController.h"

#include "platform/MemoryRelease.h"
#include "platform/qt/QtScreens.h"
#include "selection/WindowPickerView.h"

#include <QApplication>
#include <QCursor>
#include <QScreen>
#include <QTimer>

namespace moxilane {

WindowPickerController::WindowPickerController(ScreenList& screens, WindowFocus& focus,
                                               WindowRoles& roles)
    : m_screens(screens),
      m_roles(roles),
      m_overlay(
          focus, [this] { finish(std::nullopt); }, [this] { finish(std::nullopt); }) {}

WindowPickerController::~WindowPickerController() = default;

void WindowPickerController::begin(const std::vector<WindowInfo>& windows,
                                   const SnapshotMap& snapshots,
                                   std::function<void(std::optional<WindowInfo>)> completion) {
    if (m_completion && !m_completion->isFinished()) finish(std::nullopt);
    m_completion = std::make_unique<Completion<std::optional<WindowInfo>>>(std::move(completion));
    const ScreenLayout layout = m_screens.layout();
    // The service measures in device pixels; the picker and the capture's scale in points.
    std::vector<WindowInfo> placed = windows;
    for (WindowInfo& window : placed)
        window.frame = layout.deviceToPoints(window.frameDevice);
    m_candidates = std::make_shared<const WindowCandidates>(
        placed, QCoreApplication::applicationPid(), layout);

    const QPoint mouse = QCursor::pos();
    const ScreenLayout::Screen* underMouse = layout.screenAt(mouse);
    std::vector<OverlayPanel*> panels;
    OverlayPanel* keyPanel = nullptr;
    bool mouseOnView = false;
    for (const ScreenInfo& screen : layout.screenInfos()) {
        QScreen* qtScreen = QtScreens::named(screen.name);
        const auto snapshot = snapshots.find(screen.displayID);
        if (!qtScreen || snapshot == snapshots.end()) continue;
        auto view = std::make_unique<WindowPickerView>(qtScreen, m_roles, screen, snapshot->second,
                                                       m_candidates);
        view->onMoved = [this](QPointF at) { updateHighlight(at); };
        view->onClicked = [this](QPointF at) { clicked(at); };
        const bool hasMouse = underMouse && underMouse->name == screen.name;
        if (hasMouse || !keyPanel) keyPanel = view.get();
        mouseOnView = mouseOnView || hasMouse;
        panels.push_back(view.get());
        m_views.push_back(std::move(view));
    }
    if (panels.empty()) return finish(std::nullopt);
    m_overlay.open(panels, keyPanel);
    // The first highlight, before the pointer moves.
    if (mouseOnView) updateHighlight(layout.toYUp(QPointF(mouse)));
}

void WindowPickerController::updateHighlight(QPointF globalPoint) {
    if (!m_candidates) return;
    const WindowInfo* window = m_candidates->windowUnder(globalPoint);
    for (const auto& view : m_views)
        view->setHighlighted(window);
}

void WindowPickerController::clicked(QPointF globalPoint) {
    const WindowInfo* window = m_candidates ? m_candidates->windowUnder(globalPoint) : nullptr;
    if (!window) {
        QApplication::beep();
        return finish(std::nullopt);
    }
    finish(*window);
}

void WindowPickerController::finish(std::optional<WindowInfo> window) {
    if (!m_completion || m_completion->isFinished()) return;
    m_overlay.close();
    // The event that ended the pick is still being handled by one of the views.
    for (auto& view : m_views) {
        // Each holds a dimmed copy of its screen; the heap gives it back once they are gone.
        connect(view.get(), &QObject::destroyed, qApp,
                [] { QTimer::singleShot(0, qApp, &returnFreedMemory); });
        view.release()->deleteLater();
    }
    m_views.clear();
    m_candidates.reset();
    m_completion->finish(std::move(window));
}

}  // namespace moxilane
