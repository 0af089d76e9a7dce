#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <optional>

namespace moxilane {

// The drag on one overlay, in its view points. The rectangle is always derived from the
// two corners, never stored.
class RegionDrag {
public:
    RegionDrag() = default;
    // The view's size in points and its device pixels per point.
    RegionDrag(QSizeF viewPt, double pixelsPerPoint)
        : m_viewPt(viewPt), m_pixelsPerPoint(pixelsPerPoint) {}
    void press(QPointF at) { m_start = m_current = at; }
    void moveTo(QPointF at) {
        if (m_start) m_current = at;
    }
    bool hasStarted() const { return m_start.has_value(); }
    // Absent before the first press.
    std::optional<QRectF> selection() const;

private:
    QSizeF m_viewPt;
    double m_pixelsPerPoint = 1.0;
    std::optional<QPointF> m_start;
    std::optional<QPointF> m_current;
};

}  // namespace moxilane
