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

// A view made for this screen as it is now, or a new one; views of screens that changed
// or went away are dropped (no selection runs, so none of them is handling an event).
RegionSelectionView* RegionSelectionController::viewFor(QScreen* qtScreen) {
    for (const KeptView& kept : m_views) {
        if (kept.screenName == qtScreen->name() && kept.geometry == qtScreen->geometry() &&
            kept.scale == qtScreen->devicePixelRatio())
            return kept.view.get();
    }
    std::erase_if(m_views,
                  [&](const KeptView& kept) { return kept.screenName == qtScreen->name(); });
    m_views.push_back({qtScreen->name(), qtScreen->geometry(), qtScreen->devicePixelRatio(),
                       std::make_unique<RegionSelectionView>(qtScreen, m_roles)});
    RegionSelectionView* view = m_views.back().view.get();
    view->onSelected = [this](const QRectF& rect, const ScreenInfo& on) {
        finish(RegionSelection{rect, on});
    };
    return view;
}

void RegionSelectionController::begin(
    const std::optional<QString>& hint, const SnapshotMap& snapshots,
    std::function<void(std::optional<RegionSelection>)> completion) {
    if (m_completion && !m_completion->isFinished()) finish(std::nullopt);
    m_completion =
        std::make_unique<Completion<std::optional<RegionSelection>>>(std::move(completion));
    m_idleRelease.stop();
    const ScreenLayout layout = m_screens.layout();
    std::erase_if(m_views, [&](const KeptView& kept) {
        return std::ranges::none_of(layout.screens(), [&](const ScreenLayout::Screen& s) {
            return s.name == kept.screenName;
        });
    });

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
    m_overlay.close();
    for (RegionSelectionView* view : m_shown)
        view->release();
    m_shown.clear();
    m_idleRelease.start();
    if (selection && !SelectionGeometry::isLargeEnough(selection->rectGlobal)) selection.reset();
    m_completion->finish(std::move(selection));
}

}  // namespace moxilane
