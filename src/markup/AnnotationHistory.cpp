#include "markup/AnnotationHistory.h"

namespace moxilane {

void AnnotationHistory::record(AnnotationList stateBefore) {
    m_undoStack.push_back(std::move(stateBefore));
    m_redoStack.clear();
}

namespace {

std::optional<AnnotationList> step(std::vector<AnnotationList>& from,
                                   std::vector<AnnotationList>& to, const AnnotationList& current) {
    if (from.empty()) return std::nullopt;
    AnnotationList state = std::move(from.back());
    from.pop_back();
    to.push_back(copyOf(current));
    return state;
}

}  // namespace

std::optional<AnnotationList> AnnotationHistory::undo(const AnnotationList& current) {
    return step(m_undoStack, m_redoStack, current);
}

std::optional<AnnotationList> AnnotationHistory::redo(const AnnotationList& current) {
    return step(m_redoStack, m_undoStack, current);
}

}  // namespace moxilane
