#include "markup/AnnotationHistory.h"

namespace moxilane {

void AnnotationHistory::record(MarkupState stateBefore) {
    m_undoStack.push_back(std::move(stateBefore));
    m_redoStack.clear();
}

namespace {

std::optional<MarkupState> step(std::vector<MarkupState>& from, std::vector<MarkupState>& to,
                                const MarkupState& current) {
    if (from.empty()) return std::nullopt;
    MarkupState state = std::move(from.back());
    from.pop_back();
    to.push_back({copyOf(current.annotations), current.crop});
    return state;
}

}  // namespace

std::optional<MarkupState> AnnotationHistory::undo(const MarkupState& current) {
    return step(m_undoStack, m_redoStack, current);
}

std::optional<MarkupState> AnnotationHistory::redo(const MarkupState& current) {
    return step(m_redoStack, m_undoStack, current);
}

}  // namespace moxilane
