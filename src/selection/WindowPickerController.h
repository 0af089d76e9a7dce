#pragma once

#include "flows/FlowUi.h"
#include "platform/WindowFocus.h"
#include "platform/WindowRoles.h"
#include "selection/Completion.h"
#include "selection/KeptViews.h"
#include "selection/OverlayGroup.h"
#include "selection/WindowCandidates.h"

#include <QObject>
#include <QTimer>

#include <memory>
#include <optional>

namespace moxilane {

class WindowPickerView;

// The window picker: a panel over every screen, the window under the pointer highlighted,
// a click picks it; a click where no window can be picked beeps and cancels, as does Esc.
// One pick at a time; its completion runs once. The views stay between picks that follow
// each other, and go after a while without one. Main thread only.
class WindowPickerController final : public QObject, public WindowPicker {
    Q_OBJECT
public:
    WindowPickerController(ScreenList& screens, WindowFocus& focus, WindowRoles& roles);
    ~WindowPickerController() override;

    void begin(const std::vector<WindowInfo>& windows, const SnapshotMap& snapshots,
               std::function<void(std::optional<WindowInfo>)> completion) override;

    // Re-runs the hit test at a point (global points, y up) and updates every view.
    void updateHighlight(QPointF globalPoint);

private:
    WindowPickerView* viewFor(QScreen* qtScreen);
    void clicked(QPointF globalPoint);
    void finish(std::optional<WindowInfo> window);

    ScreenList& m_screens;
    WindowRoles& m_roles;
    std::shared_ptr<const WindowCandidates> m_candidates;  // shared with the views
    KeptViews<WindowPickerView> m_views;  // before m_overlay: it hides them when it goes
    OverlayGroup m_overlay;
    std::vector<WindowPickerView*> m_shown;  // those of the running pick
    QTimer m_idleRelease;
    std::unique_ptr<Completion<std::optional<WindowInfo>>> m_completion;
};

}  // namespace moxilane
