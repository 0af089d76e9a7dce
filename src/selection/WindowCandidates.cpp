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
                                   std::int64_t ownProcessID,
                                   const std::vector<ScreenInfo>& screens) {
    if (!screens.empty())
        m_primaryScreenMaxY = screens.front().frame.top() + screens.front().frame.height();
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
    const double y = m_primaryScreenMaxY - globalPoint.y();
    for (const WindowInfo& window : m_candidates) {
        if (holds(window.frame, globalPoint.x(), y)) return &window;
    }
    return nullptr;
}

QRectF WindowCandidates::frameInView(const WindowInfo& window, const ScreenInfo& screen) const {
    const double screenTop = m_primaryScreenMaxY - (screen.frame.top() + screen.frame.height());
    return window.frame.translated(-screen.frame.left(), -screenTop);
}

QRectF WindowCandidates::frameInPoints(const QRect& frameDevice,
                                       const std::vector<ScreenPlacement>& screens) {
    if (screens.empty()) return QRectF(frameDevice);
    const ScreenPlacement* home = &screens.front();
    for (const ScreenPlacement& screen : screens) {
        if (screen.areaDevice.contains(frameDevice.center())) {
            home = &screen;
            break;
        }
    }
    const double scale = home->scale;
    return QRectF(home->frameTopDown.left() + (frameDevice.x() - home->areaDevice.x()) / scale,
                  home->frameTopDown.top() + (frameDevice.y() - home->areaDevice.y()) / scale,
                  frameDevice.width() / scale, frameDevice.height() / scale);
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
