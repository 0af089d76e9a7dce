#pragma once

#include "markup/Annotation.h"

#include <optional>
#include <vector>

namespace moxilane {

// Undo and redo stacks of whole states, without a depth limit. Every stored state is made of
// copies, so moving a live annotation never alters history.
class AnnotationHistory {
public:
    // A recorded edit: the state before it becomes undoable and the redo states are cut off.
    void record(AnnotationList stateBefore);
    // The state to show instead of current, or nothing when there is none to go to; current
    // is kept (copied) for the opposite direction.
    std::optional<AnnotationList> undo(const AnnotationList& current);
    std::optional<AnnotationList> redo(const AnnotationList& current);

    bool canUndo() const { return !m_undoStack.empty(); }
    bool canRedo() const { return !m_redoStack.empty(); }

private:
    std::vector<AnnotationList> m_undoStack;
    std::vector<AnnotationList> m_redoStack;
};

}  // namespace moxilane
