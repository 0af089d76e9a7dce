#include "selection/WindowCandidates.h"

#include <algorithm>

namespace moxilane {

namespace {

// Half-open, as a point on the edge between two windows belongs to one of them.
bool holds(const QRectF& r, double x, double y) {
    return r.left() <= x && x < r.right() && r.top() <= y && y < r.bottom();
}

}  // namespace

WindowCandidates::WindowCandidates(const std::vector<WindowInfo>& windows,
                                   std::int64_t ownProcessID, ScreenLayout layout)
    : m_layout(std::move(layout)) {
    for (const WindowInfo& window : windows) {
        const bool ours =
            window.owningApplication && window.owningApplication->processID == ownProcessID;
        if (window.isOnScreen && window.windowLayer >= 0 && window.windowLayer < kTopLayer &&
            window.frame.width() >= kMinimumSizePt && window.frame.height() >= kMinimumSizePt &&
            !ours) {
            m_candidates.push_back(window);
        }
    }
}

const WindowInfo* WindowCandidates::windowUnder(QPointF globalPoint) const {
    const QPointF point = m_layout.fromYUp(globalPoint);
    for (const WindowInfo& window : m_candidates) {
        if (holds(window.frame, point.x(), point.y())) return &window;
    }
    return nullptr;
}

QRectF WindowCandidates::frameInView(const WindowInfo& window, const ScreenInfo& screen) const {
    return ScreenLayout::yUpToView(m_layout.toYUp(window.frame), screen);
}

QString WindowCandidates::labelText(const WindowInfo& window) {
    QString name = window.owningApplication ? window.owningApplication->applicationName : QString();
    if (name.isEmpty()) name = QStringLiteral("Window");
    if (window.title && !window.title->isEmpty())
        return name + QStringLiteral(" — ") + *window.title;
    return name;
}

WindowCandidates::Pill WindowCandidates::labelPill(const QRectF& frame, QSizeF textSize) {
    const double width = std::min(textSize.width(), frame.width() - 24);
    const double height = textSize.height();
    const QRectF background(frame.center().x() - width / 2 - 8, frame.center().y() - height / 2 - 4,
                            width + 16, height + 8);
    // 2 points above the pill's bottom edge, as the label's baseline box sits.
    const QRectF text(background.left() + 8, background.bottom() - 2 - height, width, height);
    return {background, text};
}

}  // namespace moxilane
