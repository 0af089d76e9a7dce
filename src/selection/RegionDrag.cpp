#include "selection/RegionDrag.h"

#include "selection/SelectionGeometry.h"

namespace moxilane {

std::optional<QRectF> RegionDrag::selection() const {
    if (!m_start || !m_current) return std::nullopt;
    const auto reach = [this](QPointF at) {
        return SelectionGeometry::reachScreenEdges(at, m_viewPt, m_pixelsPerPoint);
    };
    return SelectionGeometry::selectionRect(reach(*m_start), reach(*m_current));
}

}  // namespace moxilane
