#pragma once

#include "platform/Screens.h"
#include "selection/OverlayPanel.h"
#include "selection/RegionDrag.h"

#include <QFont>
#include <QImage>

#include <functional>
#include <optional>

namespace moxilane {

// One screen of the region overlay: its frozen snapshot dimmed, the dragged rectangle cut
// out of the dimming with its outline and size label, and the hint until a drag starts.
// Paints only what a drag step changes. Kept between selections, so its window and its
// backing store are ready when the next one starts.
class RegionSelectionView final : public OverlayPanel {
    Q_OBJECT
public:
    RegionSelectionView(QScreen* qtScreen, WindowRoles& roles);

    // Readies a selection: snapshot is the screen's picture in device pixels.
    void prepare(const ScreenInfo& screen, const QImage& snapshot,
                 const std::optional<QString>& hint);
    // Lets the snapshot go once the selection has ended.
    void release();

    // onSelected gets the rectangle in global points (y up) when the mouse is released.
    std::function<void(const QRectF& rectGlobal, const ScreenInfo& screen)> onSelected;

    // The same drag steps the mouse makes, for benchmarks and tests. View points.
    void pressAt(QPointF at);
    void dragTo(QPointF at);

protected:
    void paintArea(QPainter& painter, const QRect& area) override;
    QRegion marked() const override;
    int shadeAlpha() const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    static QColor dimColor();
    std::optional<QRectF> labelRect() const;
    QRectF hintText() const;  // while there is a hint
    void paintHint(QPainter& painter);
    void paintSelection(QPainter& painter, const QRectF& selection);

    ScreenInfo m_screen;
    QImage m_snapshot;  // device pixels
    double m_pixelsPerPoint = 1.0;
    std::optional<QString> m_hint;
    RegionDrag m_drag;
    QFont m_labelFont;
    QFont m_hintFont;
};

}  // namespace moxilane
