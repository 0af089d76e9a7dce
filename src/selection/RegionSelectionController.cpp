#include "selection/RegionSelectionController.h"

#include "platform/MemoryRelease.h"
#include "platform/qt/QtScreens.h"
#include "selection/RegionSelectionView.h"
#include "selection/SelectionGeometry.h"

#include <QCursor>
#include <QScreen>

namespace moxilane {

namespace {

// Long enough for captures in a row; an idle agent gives the memory back.
constexpr int kKeepViewsMs = 120'000;

}  // namespace

RegionSelectionController::RegionSelectionController(ScreenList& screens, WindowFocus& focus,
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

RegionSelectionController::~RegionSelectionController() = default;

RegionSelectionView* RegionSelectionController::viewFor(QScreen* qtScreen) {
    return m_views.viewFor(qtScreen, [&] {
        auto view = std::make_unique<RegionSelectionView>(qtScreen, m_roles);
        view->onSelected = [this](const QRectF& rect, const ScreenInfo& on) {
            finish(RegionSelection{rect, on});
        };
        return view;
    });
}

void RegionSelectionController::begin(
    const std::optional<QString>& hint, const SnapshotMap& snapshots,
    std::function<void(std::optional<RegionSelection>)> completion) {
    if (m_completion && !m_completion->isFinished()) finish(std::nullopt);
    m_completion =
        std::make_unique<Completion<std::optional<RegionSelection>>>(std::move(completion));
    m_idleRelease.stop();
    const ScreenLayout layout = m_screens.layout();
    m_views.keepOnly(layout);

    const ScreenLayout::Screen* underMouse = layout.screenAt(QCursor::pos());
    std::vector<OverlayPanel*> panels;
    OverlayPanel* keyPanel = nullptr;
    m_shown.clear();
    for (const ScreenInfo& screen : layout.screenInfos()) {
        const auto snapshot = snapshots.find(screen.displayID);
        QScreen* qtScreen = QtScreens::named(screen.name);
        if (snapshot == snapshots.end() || !qtScreen) continue;  // nothing to select on
        RegionSelectionView* view = viewFor(qtScreen);
        view->prepare(screen, snapshot->second, hint);
        if ((underMouse && underMouse->name == screen.name) || !keyPanel) keyPanel = view;
        panels.push_back(view);
        m_shown.push_back(view);
    }
    if (panels.empty()) return finish(std::nullopt);
    m_overlay.open(panels, keyPanel);
}

void RegionSelectionController::finish(std::optional<RegionSelection> selection) {
    if (!m_completion || m_completion->isFinished()) return;
    if (selection && SelectionGeometry::isLargeEnough(selection->rectGlobal) && onChosen)
        onChosen();
    m_overlay.close();
    for (RegionSelectionView* view : m_shown)
        view->release();
    m_shown.clear();
    m_idleRelease.start();
    if (selection && !SelectionGeometry::isLargeEnough(selection->rectGlobal)) selection.reset();
    m_completion->finish(std::move(selection));
}

}  // namespace moxilane
