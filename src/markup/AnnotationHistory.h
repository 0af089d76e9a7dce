#pragma once

#include "markup/Annotation.h"

#include <QRect>

#include <optional>
#include <vector>

namespace moxilane {

// What undo and redo restore: the annotations and the crop (image pixels; none shows all).
struct MarkupState {
    AnnotationList annotations;
    std::optional<QRect> crop;
};

// Undo and redo stacks of whole states, without a depth limit. Every stored state is made of
// copies, so moving a live annotation never alters history.
class AnnotationHistory {
public:
    // A recorded edit: the state before it becomes undoable and the redo states are cut off.
    void record(MarkupState stateBefore);
    // The state to show instead of current, or nothing when there is none to go to; current
    // is kept (copied) for the opposite direction.
    std::optional<MarkupState> undo(const MarkupState& current);
    std::optional<MarkupState> redo(const MarkupState& current);

    bool canUndo() const { return !m_undoStack.empty(); }
    bool canRedo() const { return !m_redoStack.empty(); }

private:
    std::vector<MarkupState> m_undoStack;
    std::vector<MarkupState> m_redoStack;
};

}  // namespace moxilane
