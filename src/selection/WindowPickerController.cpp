#include "selection/WindowPickerController.h"

#include "platform/MemoryRelease.h"
#include "platform/qt/QtScreens.h"
#include "selection/WindowPickerView.h"

#include <QApplication>
#include <QCursor>
#include <QScreen>
#include <QTimer>

namespace moxilane {

namespace {

// Long enough for picks in a row; an idle agent gives the memory back.
constexpr int kKeepViewsMs = 120'000;

}  // namespace

WindowPickerController::WindowPickerController(ScreenList& screens, WindowFocus& focus,
                                               WindowRoles& roles)
    : m_screens(screens),
      m_roles(roles),
      m_overlay(
          focus, [this] { finish(std::nullopt); }, [this] { finish(std::nullopt); }) {
    m_idleRelease.setSingleShot(true);
    m_idleRelease.setInterval(kKeepViewsMs);
    connect(&m_idleRelease, &QTimer::timeout, this, [this] {
        m_views.clear();
        returnFreedMemory();
    });
}

WindowPickerController::~WindowPickerController() = default;

WindowPickerView* WindowPickerController::viewFor(QScreen* qtScreen) {
    return m_views.viewFor(qtScreen, [&] {
        auto view = std::make_unique<WindowPickerView>(qtScreen, m_roles);
        view->onMoved = [this](QPointF at) { updateHighlight(at); };
        view->onClicked = [this](QPointF at) { clicked(at); };
        return view;
    });
}

void WindowPickerController::begin(const std::vector<WindowInfo>& windows,
                                   const SnapshotMap& snapshots,
                                   std::function<void(std::optional<WindowInfo>)> completion) {
    if (m_completion && !m_completion->isFinished()) finish(std::nullopt);
    m_completion = std::make_unique<Completion<std::optional<WindowInfo>>>(std::move(completion));
    m_idleRelease.stop();
    const ScreenLayout layout = m_screens.layout();
    m_views.keepOnly(layout);
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
    m_shown.clear();
    for (const ScreenInfo& screen : layout.screenInfos()) {
        QScreen* qtScreen = QtScreens::named(screen.name);
        const auto snapshot = snapshots.find(screen.displayID);
        if (!qtScreen || snapshot == snapshots.end()) continue;
        WindowPickerView* view = viewFor(qtScreen);
        view->prepare(screen, snapshot->second, m_candidates);
        const bool hasMouse = underMouse && underMouse->name == screen.name;
        if (hasMouse || !keyPanel) keyPanel = view;
        mouseOnView = mouseOnView || hasMouse;
        panels.push_back(view);
        m_shown.push_back(view);
    }
    if (panels.empty()) return finish(std::nullopt);
    m_overlay.open(panels, keyPanel);
    // The first highlight, before the pointer moves.
    if (mouseOnView) updateHighlight(layout.toYUp(QPointF(mouse)));
}

void WindowPickerController::updateHighlight(QPointF globalPoint) {
    if (!m_candidates) return;
    const WindowInfo* window = m_candidates->windowUnder(globalPoint);
    for (WindowPickerView* view : m_shown)
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
    for (WindowPickerView* view : m_shown)
        view->release();
    m_shown.clear();
    m_idleRelease.start();
    m_candidates.reset();
    m_completion->finish(std::move(window));
}

}  // namespace moxilane
