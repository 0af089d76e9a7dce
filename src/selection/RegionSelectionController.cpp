#include "selection/RegionSelectionController.h"

#include "selection/QtScreens.h"
#include "selection/RegionSelectionView.h"
#include "selection/SelectionGeometry.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

namespace moxilane {

RegionSelectionController::RegionSelectionController(ScreenList& screens, WindowFocus& focus)
    : m_screens(screens), m_focus(focus) {}

RegionSelectionController::~RegionSelectionController() = default;

void RegionSelectionController::begin(
    const std::optional<QString>& hint, const SnapshotMap& snapshots,
    std::function<void(std::optional<RegionSelection>)> completion) {
    if (m_completion && !m_completion->isFinished()) finish(std::nullopt);
    m_completion =
        std::make_unique<Completion<std::optional<RegionSelection>>>(std::move(completion));
    m_overlay = std::make_unique<OverlayGroup>(
        m_focus, [this] { finish(std::nullopt); }, [this] { finish(std::nullopt); });

    const QPoint mouse = QCursor::pos();
    for (const ScreenInfo& screen : m_screens.screens()) {
        const auto snapshot = snapshots.find(screen.displayID);
        QScreen* qtScreen = QtScreens::find(screen);
        if (snapshot == snapshots.end() || !qtScreen) continue;  // nothing to select on
        auto view = std::make_unique<RegionSelectionView>(qtScreen, screen, snapshot->second, hint);
        view->onSelected = [this](const QRectF& rect, const ScreenInfo& on) {
            finish(RegionSelection{rect, on});
        };
        m_overlay->add(std::move(view), qtScreen->geometry().contains(mouse));
    }
    if (m_overlay->isEmpty()) return finish(std::nullopt);
    m_overlay->show();
}

std::vector<RegionSelectionView*> RegionSelectionController::views() const {
    std::vector<RegionSelectionView*> result;
    if (!m_overlay) return result;
    for (const auto& panel : m_overlay->panels())
        result.push_back(static_cast<RegionSelectionView*>(panel.get()));
    return result;
}

void RegionSelectionController::finish(std::optional<RegionSelection> selection) {
    if (!m_completion || m_completion->isFinished()) return;
    if (m_overlay) {
        m_overlay->close();
        // The event that ended the selection is still being handled by one of its views.
        m_overlay.release()->deleteLater();
    }
    if (selection && !SelectionGeometry::isLargeEnough(selection->rectGlobal)) selection.reset();
    m_completion->finish(std::move(selection));
}

}  // namespace moxilane
