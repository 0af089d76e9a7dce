#pragma once

#include <QPointF>
#include <QRectF>

#include <optional>

namespace moxilane {

// The drag on one overlay, in its view points. The rectangle is always derived from the
// two corners, never stored.
class RegionDrag {
public:
    void press(QPointF at) { m_start = m_current = at; }
    void moveTo(QPointF at) {
        if (m_start) m_current = at;
    }
    bool hasStarted() const { return m_start.has_value(); }
    // Absent before the first press.
    std::optional<QRectF> selection() const;

private:
    std::optional<QPointF> m_start;
    std::optional<QPointF> m_current;
};

}  // namespace moxilane
