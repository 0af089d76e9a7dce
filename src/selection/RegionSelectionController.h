#pragma once

#include "flows/FlowUi.h"
#include "platform/WindowFocus.h"
#include "platform/WindowRoles.h"
#include "selection/Completion.h"
#include "selection/KeptViews.h"
#include "selection/OverlayGroup.h"

#include <QObject>
#include <QTimer>

#include <memory>
#include <optional>

namespace moxilane {

class RegionSelectionView;

// The region overlay: covers every screen that has a snapshot with its picture, dimmed,
// lets the user drag out an area and hands back the rectangle and its screen. One
// selection at a time; its completion runs once. The views stay between selections that
// follow each other, and go after a while without one. Main thread only.
class RegionSelectionController final : public QObject, public RegionSelector {
    Q_OBJECT
public:
    RegionSelectionController(ScreenList& screens, WindowFocus& focus, WindowRoles& roles);
    ~RegionSelectionController() override;

    void begin(const std::optional<QString>& hint, const SnapshotMap& snapshots,
               std::function<void(std::optional<RegionSelection>)> completion) override;

    // Runs when an area is chosen, before the overlay closes, while it has the user's input.
    std::function<void()> onChosen;

private:
    RegionSelectionView* viewFor(QScreen* qtScreen);
    void finish(std::optional<RegionSelection> selection);

    ScreenList& m_screens;
    WindowRoles& m_roles;
    KeptViews<RegionSelectionView> m_views;  // before m_overlay: it hides them when it goes
    OverlayGroup m_overlay;
    std::vector<RegionSelectionView*> m_shown;  // those of the running selection
    QTimer m_idleRelease;
    std::unique_ptr<Completion<std::optional<RegionSelection>>> m_completion;
};

}  // namespace moxilane
