#pragma once

#include "app/FlowUi.h"
#include "platform/WindowFocus.h"
#include "selection/Completion.h"
#include "selection/OverlayGroup.h"

#include <QObject>

#include <memory>
#include <optional>

namespace moxilane {

class RegionSelectionView;

// The region overlay: covers every screen that has a snapshot with its picture, dimmed,
// lets the user drag out an area and hands back the rectangle and its screen. One
// selection at a time; its completion runs once. Main thread only.
class RegionSelectionController final : public QObject, public RegionSelector {
    Q_OBJECT
public:
    RegionSelectionController(ScreenList& screens, WindowFocus& focus);
    ~RegionSelectionController() override;

    void begin(const std::optional<QString>& hint, const SnapshotMap& snapshots,
               std::function<void(std::optional<RegionSelection>)> completion) override;

    // The overlay's views while a selection runs, for benchmarks and tests.
    std::vector<RegionSelectionView*> views() const;

private:
    void finish(std::optional<RegionSelection> selection);

    ScreenList& m_screens;
    WindowFocus& m_focus;
    std::unique_ptr<OverlayGroup> m_overlay;
    std::unique_ptr<Completion<std::optional<RegionSelection>>> m_completion;
};

}  // namespace moxilane
