#include "selection/RegionDrag.h"

#include "selection/SelectionGeometry.h"

namespace moxilane {

std::optional<QRectF> RegionDrag::selection() const {
    if (!m_start || !m_current) return std::nullopt;
    return SelectionGeometry::selectionRect(*m_start, *m_current);
}

}  // namespace moxilane
