#include "scroll/ScrollAreaFrame.h"

#include "platform/WindowRoles.h"

#include <cmath>

namespace moxilane {

namespace {

// The selection's accent, as the overlay draws it.
const QColor kFrameColor(0, 122, 255);

}  // namespace

ScrollAreaFrame::ScrollAreaFrame(WindowRoles& roles) {
    for (auto& edge : m_edges) {
        edge = std::make_unique<QWidget>();
        roles.prepare(*edge, WindowRole::marker);
        edge->setWindowTitle(QStringLiteral("Scrolling Capture Area"));
        edge->setAutoFillBackground(true);
        QPalette colors = edge->palette();
        colors.setColor(QPalette::Window, kFrameColor);
        edge->setPalette(colors);
    }
}

ScrollAreaFrame::~ScrollAreaFrame() = default;

std::array<QRect, 4> ScrollAreaFrame::edges(const QRectF& area) {
    // Whole points around the area, so no edge covers a sampled pixel.
    const int left = int(std::floor(area.left()));
    const int top = int(std::floor(area.top()));
    const int right = int(std::ceil(area.right()));
    const int bottom = int(std::ceil(area.bottom()));
    const int width = right - left + 2;
    return {QRect(left - 1, top - 1, width, 1), QRect(left - 1, bottom, width, 1),
            QRect(left - 1, top, 1, bottom - top), QRect(right, top, 1, bottom - top)};
}

void ScrollAreaFrame::show(const QRectF& area) {
    const auto places = edges(area);
    for (std::size_t i = 0; i < m_edges.size(); ++i) {
        m_edges[i]->setGeometry(places[i]);
        m_edges[i]->show();
        m_edges[i]->raise();
    }
}

void ScrollAreaFrame::hide() {
    for (auto& edge : m_edges)
        edge->hide();
}

std::vector<std::uint32_t> ScrollAreaFrame::windowIds() const {
    std::vector<std::uint32_t> ids;
    for (const auto& edge : m_edges)
        ids.push_back(static_cast<std::uint32_t>(edge->window()->winId()));
    return ids;
}

}  // namespace moxilane
